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
  options.dwQuality = 8000;
  options.dwBytesPerSecond = 0;
  options.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
  return options;
}

AviCapture::AviCapture() : options_(CaptureCompressOptions()) {}

AviCapture::~AviCapture() {
  FreeOptions();
  Close();
}

AviSetUp AviCapture::Open(const std::string& path, const CaptureRectangle& rectangle, DWORD rate) {
  if (HIWORD(VideoForWindowsVersion()) < kMinimumVfwVersion) return AviSetUp::VideoForWindowsTooOld;
  // Where the system has no MS Video 1 compressor for these frames (Wine), ours is installed for
  // this process; otherwise the system's codec is used.
  EnsureMsvc1Compressor(rectangle.Width(), rectangle.Height());
  BITMAPINFOHEADER* probe =
      GrabScreenFrame(rectangle.left, rectangle.top, rectangle.Width(), rectangle.Height());
  if (!probe) return AviSetUp::NoProbeFrame;
  AVIFileInit();
  libraryInitialised_ = true;

  lastResult_ = AVIFileOpenA(&file_, path.c_str(), OF_WRITE | OF_CREATE, nullptr);
  if (lastResult_ == 0) {
    AVISTREAMINFOA header = {};
    header.fccType = streamtypeVIDEO;
    header.fccHandler = 0;
    header.dwScale = 1;
    header.dwRate = rate;
    header.dwSuggestedBufferSize = probe->biSizeImage;
    SetRect(&header.rcFrame, 0, 0, probe->biWidth, probe->biHeight);
    lastResult_ = AVIFileCreateStreamA(file_, &rawStream_, &header);
  }
  if (lastResult_ == 0) {
    lastResult_ = AVIMakeCompressedStream(&compressedStream_, rawStream_, &options_, nullptr);
  }
  if (lastResult_ == 0) {
    lastResult_ = AVIStreamSetFormat(compressedStream_, 0, probe,
                                     static_cast<LONG>(probe->biSize + 4 * probe->biClrUsed));
  }
  FreeDib(probe);
  return lastResult_ == 0 ? AviSetUp::Ready : AviSetUp::Failed;
}

HRESULT AviCapture::WriteFrame(BITMAPINFOHEADER* frame, uint32_t index) {
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
  if (libraryInitialised_) {
    AVIFileExit();
    libraryInitialised_ = false;
  }
}
