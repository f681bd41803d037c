#include "recorder/AviCapture.h"

#include "recorder/PackedDib.h"
#include "recorder/codec/Msvc1Driver.h"
#include "recorder/ScreenFrame.h"

#include <utility>

namespace {
// Video for Windows 1.10 brought the AVI file library used here.
constexpr WORD kMinimumVfwVersion = 0x010A;

AviStreamWriteCall streamWrite = AVIStreamWrite;
}  // namespace

void SetAviStreamWriteForTests(AviStreamWriteCall call) { streamWrite = call ? call : AVIStreamWrite; }

AVICOMPRESSOPTIONS CaptureCompressOptions() {
  AVICOMPRESSOPTIONS options = {};
  options.fccType = streamtypeVIDEO;
  options.fccHandler = kFourccMsvc;
  options.dwKeyFrameEvery = 200;
  options.dwQuality = kCaptureQuality;
  options.dwBytesPerSecond = 0;
  options.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
  return options;
}

FrameCompression CaptureCompression(const RecorderState& state) {
  if (state.ownCompressor) return FrameCompression::OwnDriver;
  return state.screenBudgetMBPerMinute > 0 ? FrameCompression::PerFrame : FrameCompression::Stream;
}

AviCapture::AviCapture() : options_(CaptureCompressOptions()) {}

AviCapture::~AviCapture() {
  FreeOptions();
  Close();
}

AviSetUp AviCapture::Open(const std::string& path, const CaptureRectangle& rectangle, DWORD rate,
                          FrameCompression compression) {
  if (HIWORD(VideoForWindowsVersion()) < kMinimumVfwVersion) return AviSetUp::VideoForWindowsTooOld;
  // Where the system has no MS Video 1 compressor for these frames (Wine), ours is installed for
  // this process; otherwise the system's codec is used.
  if (compression != FrameCompression::OwnDriver) EnsureMsvc1Compressor(rectangle.Width(), rectangle.Height());
  BITMAPINFOHEADER* probe =
      GrabScreenFrame(rectangle.left, rectangle.top, rectangle.Width(), rectangle.Height());
  if (!probe) return AviSetUp::NoProbeFrame;
  AVIFileInit();
  libraryInitialised_ = true;

  lastResult_ = AVIFileOpenA(&file_, path.c_str(), OF_WRITE | OF_CREATE, nullptr);
  if (lastResult_ == 0) {
    header_ = {};
    header_.fccType = streamtypeVIDEO;
    header_.fccHandler = 0;
    header_.dwScale = 1;
    header_.dwRate = rate;
    header_.dwSuggestedBufferSize = probe->biSizeImage;
    SetRect(&header_.rcFrame, 0, 0, probe->biWidth, probe->biHeight);
    if (compression == FrameCompression::Stream) {
      lastResult_ = CreateCompressedStream(probe);
    } else {
      lastResult_ = CreateFrameCompressedStream(
          probe, compression == FrameCompression::OwnDriver ? CompressorChoice::Ours : CompressorChoice::System);
    }
  }
  FreeDib(probe);
  return lastResult_ == 0 ? AviSetUp::Ready : AviSetUp::Failed;
}

HRESULT AviCapture::CreateCompressedStream(const BITMAPINFOHEADER* probe) {
  HRESULT result = AVIFileCreateStreamA(file_, &rawStream_, &header_);
  if (result == 0) result = AVIMakeCompressedStream(&compressedStream_, rawStream_, &options_, nullptr);
  if (result == 0) {
    result = AVIStreamSetFormat(compressedStream_, 0, const_cast<BITMAPINFOHEADER*>(probe),
                                static_cast<LONG>(probe->biSize + 4 * probe->biClrUsed));
  }
  return result;
}

HRESULT AviCapture::CreateFrameCompressedStream(const BITMAPINFOHEADER* probe, CompressorChoice choice) {
  perFrame_ = std::make_unique<FrameCompressor>();
  if (!perFrame_->Begin(probe, choice, options_.dwKeyFrameEvery)) return AVIERR_NOCOMPRESSOR;
  // The system's compressor writes the same file as the library's compressing stream, whose
  // stream header names no handler; the fall-back's parts name ours.
  if (choice == CompressorChoice::Ours) header_.fccHandler = options_.fccHandler;
  header_.dwSuggestedBufferSize = perFrame_->MaxFrameBytes();
  HRESULT result = AVIFileCreateStreamA(file_, &rawStream_, &header_);
  if (result == 0) {
    const std::vector<uint8_t>& format = perFrame_->Format();
    result = AVIStreamSetFormat(rawStream_, 0, const_cast<uint8_t*>(format.data()),
                                static_cast<LONG>(format.size()));
  }
  return result;
}

HRESULT AviCapture::WriteFrame(BITMAPINFOHEADER* frame, uint32_t index, FrameCost* cost) {
  if (perFrame_) {
    LONG bytes = 0;
    DWORD flags = 0;
    const DWORD quality = cost ? cost->quality : kCaptureQuality;
    if (!perFrame_->Compress(frame, DibPixels(frame), index, quality, &bytes, &flags)) return lastResult_ = AVIERR_COMPRESSOR;
    lastResult_ = streamWrite(rawStream_, static_cast<LONG>(index), 1, const_cast<void*>(perFrame_->Output()),
                              bytes, flags, nullptr, nullptr);
    if (cost) {
      cost->bytes = static_cast<uint32_t>(bytes);
      cost->keyFrame = (flags & AVIIF_KEYFRAME) != 0;
    }
    return lastResult_;
  }
  lastResult_ = streamWrite(compressedStream_, static_cast<LONG>(index), 1, DibPixels(frame),
                               static_cast<LONG>(frame->biSizeImage), 0, nullptr, nullptr);
  return lastResult_;
}

namespace {
std::vector<uint8_t> StreamFormat(PAVISTREAM stream) {
  LONG size = 0;
  if (!stream || AVIStreamReadFormat(stream, 0, nullptr, &size) != 0 || size <= 0) return {};
  std::vector<uint8_t> format(static_cast<size_t>(size));
  if (AVIStreamReadFormat(stream, 0, format.data(), &size) != 0) return {};
  format.resize(static_cast<size_t>(size));
  return format;
}
}  // namespace

// The compressing stream passes the compressed format on to the file's stream, which holds it
// for the header; some libraries answer only there.
std::vector<uint8_t> AviCapture::CompressedFormat() const {
  std::vector<uint8_t> format = StreamFormat(compressedStream_);
  return format.empty() ? StreamFormat(rawStream_) : format;
}

AVISTREAMINFOA AviCapture::CompressedStreamInfo() const {
  AVISTREAMINFOA info = {}, file = {};
  if (compressedStream_) AVIStreamInfoA(compressedStream_, &info, sizeof(info));
  if (rawStream_) AVIStreamInfoA(rawStream_, &file, sizeof(file));
  // Frames compressed here go into the file's stream, which is then the compressed one.
  if (!compressedStream_) return file;
  if (info.dwSuggestedBufferSize == 0) info.dwSuggestedBufferSize = file.dwSuggestedBufferSize;
  return info;
}

void AviCapture::FreeOptions() {
  AVICOMPRESSOPTIONS* list[] = {&options_};
  AVISaveOptionsFree(1, list);
  options_.lpFormat = options_.lpParms = nullptr;
  options_.cbFormat = options_.cbParms = 0;
}

void AviCapture::Close() {
  if (file_) AVIFileRelease(std::exchange(file_, nullptr));
  if (rawStream_) AVIStreamRelease(std::exchange(rawStream_, nullptr));
  if (compressedStream_) AVIStreamRelease(std::exchange(compressedStream_, nullptr));
  perFrame_.reset();
  if (libraryInitialised_) {
    AVIFileExit();
    libraryInitialised_ = false;
  }
}
