#include "recorder/codec/Msvc1Driver.h"

#include "recorder/codec/Msvc1Encoder.h"

#include <vfw.h>

#include <atomic>
#include <memory>
#include <new>

namespace {

constexpr DWORD kHandler = mmioFOURCC('M', 'S', 'V', 'C');
constexpr DWORD kDefaultQuality = 7500;
constexpr DWORD kDefaultKeyFrameRate = 15;
// Frames larger than this are refused so that buffer sizes cannot overflow 32 bits.
constexpr LONG kMaxDimension = 16384;

// One opened compressor (one ICOpen).
struct Instance {
  DWORD quality = kDefaultQuality;
  std::unique_ptr<Msvc1Encoder> encoder;
};

bool IsRgb555(const BITMAPINFOHEADER* header) {
  if (header->biCompression == BI_RGB) return true;
  if (header->biCompression != BI_BITFIELDS || header->biSize < sizeof(BITMAPINFOHEADER)) return false;
  const DWORD* masks = reinterpret_cast<const DWORD*>(reinterpret_cast<const BYTE*>(header) + header->biSize);
  return masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F;
}

// 16-bit RGB555, bottom-up (positive height), of a sensible size.
bool AcceptsInput(const BITMAPINFO* format) {
  if (!format) return false;
  const BITMAPINFOHEADER& h = format->bmiHeader;
  return h.biSize >= sizeof(BITMAPINFOHEADER) && h.biPlanes == 1 && h.biBitCount == 16 &&
         h.biWidth > 0 && h.biHeight > 0 && h.biWidth <= kMaxDimension &&
         h.biHeight <= kMaxDimension && IsRgb555(&h);
}

// Decoders of this format (ffmpeg's among them) read whole 4x4 blocks only: they would drop a
// partial last column or row of blocks, or misread every row after it. So the coded picture is
// the input padded to whole blocks by repeating its last column and row, and the compressed
// format says so; a 1366 x 768 screen is stored as 1368 x 768.
LONG PaddedToBlocks(LONG size) { return (size + 3) & ~3L; }

bool AcceptsOutput(const BITMAPINFO* input, const BITMAPINFO* output) {
  const BITMAPINFOHEADER& h = output->bmiHeader;
  return (h.biCompression == kHandler || h.biCompression == mmioFOURCC('C', 'R', 'A', 'M')) &&
         h.biBitCount == 16 && h.biWidth == PaddedToBlocks(input->bmiHeader.biWidth) &&
         h.biHeight == PaddedToBlocks(input->bmiHeader.biHeight);
}

DWORD MaxFrameBytes(const BITMAPINFO* input) {
  const DWORD blocks = DWORD((input->bmiHeader.biWidth + 3) / 4) * DWORD((input->bmiHeader.biHeight + 3) / 4);
  return blocks * 18;
}

LRESULT GetInfo(ICINFO* info, LPARAM size) {
  if (!info) return sizeof(ICINFO);
  if (size < LPARAM(sizeof(ICINFO))) return 0;
  ZeroMemory(info, sizeof(ICINFO));
  info->dwSize = sizeof(ICINFO);
  info->fccType = ICTYPE_VIDEO;
  info->fccHandler = kHandler;
  // The encoder keeps the previous frame itself, so callers need not hand it in.
  info->dwFlags = VIDCF_QUALITY | VIDCF_TEMPORAL | VIDCF_FASTTEMPORALC;
  info->dwVersion = 0x00010000;
  info->dwVersionICM = ICVERSION;
  lstrcpyW(info->szName, L"MS Video 1");
  lstrcpyW(info->szDescription, L"Microsoft Video 1 (16-bit)");
  return sizeof(ICINFO);
}

LRESULT GetFormat(const BITMAPINFO* input, BITMAPINFO* output) {
  if (!output) return sizeof(BITMAPINFOHEADER);
  if (!AcceptsInput(input)) return ICERR_BADFORMAT;
  BITMAPINFOHEADER& h = output->bmiHeader;
  ZeroMemory(&h, sizeof(h));
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = PaddedToBlocks(input->bmiHeader.biWidth);
  h.biHeight = PaddedToBlocks(input->bmiHeader.biHeight);
  h.biPlanes = 1;
  h.biBitCount = 16;
  h.biCompression = kHandler;
  h.biSizeImage = MaxFrameBytes(input);
  return ICERR_OK;
}

LRESULT Begin(Instance& instance, const BITMAPINFO* input, const BITMAPINFO* output) {
  if (!AcceptsInput(input) || (output && !AcceptsOutput(input, output))) return ICERR_BADFORMAT;
  instance.encoder = std::make_unique<Msvc1Encoder>(int(input->bmiHeader.biWidth),
                                                    int(input->bmiHeader.biHeight), int(instance.quality));
  return ICERR_OK;
}

// Performance-counter ticks spent in Compress by every instance.
std::atomic<long long> compressTicks{0};

long long Ticks() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

LRESULT Compress(Instance& instance, ICCOMPRESS* frame) {
  if (!frame || !frame->lpbiInput || !frame->lpbiOutput || !frame->lpInput || !frame->lpOutput)
    return ICERR_BADPARAM;
  const BITMAPINFO* input = reinterpret_cast<const BITMAPINFO*>(frame->lpbiInput);
  if (!AcceptsInput(input)) return ICERR_BADFORMAT;
  // ICCompress without ICCompressBegin, or with a new size, starts a fresh sequence.
  if (!instance.encoder || instance.encoder->Width() != input->bmiHeader.biWidth ||
      instance.encoder->Height() != input->bmiHeader.biHeight) {
    const LRESULT begun = Begin(instance, input, nullptr);
    if (begun != ICERR_OK) return begun;
  }
  if (frame->dwQuality <= ICQUALITY_HIGH) instance.encoder->SetQuality(int(frame->dwQuality));
  bool keyFrame = false;
  const long long start = Ticks();
  const size_t bytes = instance.encoder->Encode(static_cast<const uint8_t*>(frame->lpInput),
                                                static_cast<uint8_t*>(frame->lpOutput),
                                                (frame->dwFlags & ICCOMPRESS_KEYFRAME) != 0, &keyFrame);
  compressTicks += Ticks() - start;
  frame->lpbiOutput->biSizeImage = DWORD(bytes);
  if (frame->lpdwFlags) *frame->lpdwFlags = keyFrame ? AVIIF_KEYFRAME : 0;
  return ICERR_OK;
}

LRESULT Open(const ICOPEN* open) {
  // Opened without ICOPEN for configuration; otherwise only as a video compressor.
  if (open && (open->fccType != ICTYPE_VIDEO || (open->dwFlags & ICMODE_DECOMPRESS) ||
               (open->dwFlags & ICMODE_DRAW))) {
    if (open) const_cast<ICOPEN*>(open)->dwError = ICERR_UNSUPPORTED;
    return 0;
  }
  Instance* instance = new (std::nothrow) Instance;
  if (open) const_cast<ICOPEN*>(open)->dwError = instance ? ICERR_OK : ICERR_MEMORY;
  return reinterpret_cast<LRESULT>(instance);
}

LRESULT HandleMessage(Instance* instance, HDRVR driver, UINT message, LPARAM param1, LPARAM param2) {
  switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
      return DRV_OK;
    case DRV_OPEN:
      return Open(reinterpret_cast<const ICOPEN*>(param2));
    case DRV_CLOSE:
      delete instance;
      return DRV_OK;
    case DRV_QUERYCONFIGURE:
      return 0;
    case DRV_CONFIGURE:
      return DRV_CANCEL;
    case ICM_CONFIGURE:
    case ICM_ABOUT:
      return ICERR_UNSUPPORTED;
  }
  if (!instance) return message < DRV_USER ? DefDriverProc(0, driver, message, param1, param2) : ICERR_UNSUPPORTED;

  switch (message) {
    case ICM_GETINFO:
      return GetInfo(reinterpret_cast<ICINFO*>(param1), param2);
    case ICM_GETSTATE:  // no settings beyond the quality, which callers set per frame
    case ICM_SETSTATE:
      return 0;
    case ICM_GETDEFAULTQUALITY:
      if (!param1) return ICERR_BADPARAM;
      *reinterpret_cast<DWORD*>(param1) = kDefaultQuality;
      return ICERR_OK;
    case ICM_GETQUALITY:
      if (!param1) return ICERR_BADPARAM;
      *reinterpret_cast<DWORD*>(param1) = instance->quality;
      return ICERR_OK;
    case ICM_SETQUALITY: {
      const DWORD quality = DWORD(param1) == DWORD(ICQUALITY_DEFAULT) ? kDefaultQuality : DWORD(param1);
      if (quality > ICQUALITY_HIGH) return ICERR_BADPARAM;
      instance->quality = quality;
      if (instance->encoder) instance->encoder->SetQuality(int(quality));
      return ICERR_OK;
    }
    case ICM_GETDEFAULTKEYFRAMERATE:
      if (!param1) return ICERR_BADPARAM;
      *reinterpret_cast<DWORD*>(param1) = kDefaultKeyFrameRate;
      return ICERR_OK;
    case ICM_COMPRESS_QUERY: {
      const BITMAPINFO* input = reinterpret_cast<const BITMAPINFO*>(param1);
      const BITMAPINFO* output = reinterpret_cast<const BITMAPINFO*>(param2);
      if (!AcceptsInput(input) || (output && !AcceptsOutput(input, output))) return ICERR_BADFORMAT;
      return ICERR_OK;
    }
    case ICM_COMPRESS_GET_FORMAT:
      return GetFormat(reinterpret_cast<const BITMAPINFO*>(param1), reinterpret_cast<BITMAPINFO*>(param2));
    case ICM_COMPRESS_GET_SIZE: {
      const BITMAPINFO* input = reinterpret_cast<const BITMAPINFO*>(param1);
      return AcceptsInput(input) ? LRESULT(MaxFrameBytes(input)) : 0;
    }
    case ICM_COMPRESS_BEGIN:
      return Begin(*instance, reinterpret_cast<const BITMAPINFO*>(param1),
                   reinterpret_cast<const BITMAPINFO*>(param2));
    case ICM_COMPRESS:
      return Compress(*instance, reinterpret_cast<ICCOMPRESS*>(param1));
    case ICM_COMPRESS_END:
      instance->encoder.reset();
      return ICERR_OK;
  }
  return message < DRV_USER ? DefDriverProc(DWORD_PTR(instance), driver, message, param1, param2)
                            : ICERR_UNSUPPORTED;
}

// ICOpen handle closed with ICClose.
class OpenedCompressor {
public:
  explicit OpenedCompressor(DWORD handler) : hic_(ICOpen(ICTYPE_VIDEO, handler, ICMODE_COMPRESS)) {}
  ~OpenedCompressor() { if (hic_) ICClose(hic_); }
  OpenedCompressor(const OpenedCompressor&) = delete;
  OpenedCompressor& operator=(const OpenedCompressor&) = delete;
  HIC Get() const { return hic_; }

private:
  HIC hic_;
};

bool CompressorAccepts(int width, int height) {
  OpenedCompressor compressor(kHandler);
  if (!compressor.Get()) return false;
  BITMAPINFOHEADER input = {};
  input.biSize = sizeof(input);
  input.biWidth = width;
  input.biHeight = height;
  input.biPlanes = 1;
  input.biBitCount = 16;
  input.biCompression = BI_RGB;
  input.biSizeImage = DWORD(height) * ((DWORD(width) * 2 + 3) & ~3u);
  return ICCompressQuery(compressor.Get(), &input, nullptr) == ICERR_OK;
}

std::atomic<bool> installed{false};

}  // namespace

LRESULT CALLBACK Msvc1DriverProc(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM param1,
                                 LPARAM param2) {
  // No exception may leave a driver procedure; a failed allocation is an answer like any other.
  try {
    return HandleMessage(reinterpret_cast<Instance*>(driverId), driver, message, param1, param2);
  } catch (const std::bad_alloc&) {
    return ICERR_MEMORY;
  } catch (...) {
    return ICERR_INTERNAL;
  }
}

bool EnsureMsvc1Compressor() {
  return EnsureMsvc1Compressor(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool EnsureMsvc1Compressor(int width, int height) {
  if (width <= 0 || height <= 0) width = 640, height = 480;
  if (CompressorAccepts(width, height)) return true;
  if (!installed.exchange(true) &&
      !ICInstall(ICTYPE_VIDEO, kHandler, reinterpret_cast<LPARAM>(&Msvc1DriverProc), nullptr, ICINSTALL_FUNCTION))
    installed = false;
  return CompressorAccepts(width, height);
}

double Msvc1CompressSeconds() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(compressTicks.load()) / double(frequency.QuadPart);
}

void RemoveMsvc1Compressor() {
  if (installed.exchange(false)) ICRemove(ICTYPE_VIDEO, kHandler, 0);
}
