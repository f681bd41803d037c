#include "testbed/camera/VideoCapturePin.h"

#include <cstring>

#include <uuids.h>

namespace testbed {
namespace {

struct Size {
  int width, height;
};
const Size kSizes[] = {{640, 480}, {320, 240}};
const int kBitCounts[] = {24, 32, 16};

int BitCountOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_RGB24) return 24;
  if (subtype == MEDIASUBTYPE_RGB32) return 32;
  if (subtype == MEDIASUBTYPE_RGB555) return 16;
  return 0;
}

const VIDEOINFOHEADER* VideoHeader(const AM_MEDIA_TYPE& mt) {
  if (mt.formattype != FORMAT_VideoInfo || mt.cbFormat < sizeof(VIDEOINFOHEADER) || !mt.pbFormat)
    return nullptr;
  return reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
}

}  // namespace

VideoCapturePin::VideoCapturePin(CaptureFilter* filter, const wchar_t* name, const GUID& category,
                                 const CameraModel& model)
    : CapturePin(filter, name, category), model_(model) {}

std::vector<MediaType> VideoCapturePin::Capabilities() {
  std::vector<Size> sizes{{model_.defaultWidth, model_.defaultHeight}};
  for (const Size& s : kSizes)
    if (s.width != model_.defaultWidth || s.height != model_.defaultHeight) sizes.push_back(s);
  std::vector<MediaType> types;
  for (const Size& s : sizes)
    for (int bits : kBitCounts) types.push_back(MediaType::Rgb(s.width, s.height, bits, kDefaultFrameTime));
  return types;
}

void VideoCapturePin::FillCaps(int index, BYTE* caps) {
  MediaType type = Capabilities()[index];
  const BITMAPINFOHEADER& bih = type.Video()->bmiHeader;
  VIDEO_STREAM_CONFIG_CAPS c{};
  c.guid = FORMAT_VideoInfo;
  c.VideoStandard = 0;
  c.InputSize = c.MinCroppingSize = c.MaxCroppingSize = {bih.biWidth, bih.biHeight};
  c.MinOutputSize = c.MaxOutputSize = c.InputSize;
  c.CropGranularityX = c.CropGranularityY = 1;
  c.CropAlignX = c.CropAlignY = 1;
  c.OutputGranularityX = c.OutputGranularityY = 0;
  c.MinFrameInterval = kMinFrameTime;
  c.MaxFrameInterval = kMaxFrameTime;
  LONG bitsPerFrame = bih.biSizeImage * 8;
  c.MinBitsPerSecond = static_cast<LONG>(bitsPerFrame * (10000000LL / kMaxFrameTime));
  c.MaxBitsPerSecond = static_cast<LONG>(bitsPerFrame * (10000000LL / kMinFrameTime));
  std::memcpy(caps, &c, sizeof(c));
}

bool VideoCapturePin::CanProduce(const AM_MEDIA_TYPE& mt) {
  if (mt.majortype != MEDIATYPE_Video) return false;
  int bits = BitCountOf(mt.subtype);
  const VIDEOINFOHEADER* vih = VideoHeader(mt);
  if (!bits || !vih) return false;
  const BITMAPINFOHEADER& bih = vih->bmiHeader;
  if (bih.biBitCount != bits || bih.biCompression != BI_RGB) return false;
  bool knownSize = false;
  for (const Size& s : kSizes) knownSize |= bih.biWidth == s.width && bih.biHeight == s.height;
  if (!knownSize) return false;
  return vih->AvgTimePerFrame >= kMinFrameTime && vih->AvgTimePerFrame <= kMaxFrameTime;
}

bool VideoCapturePin::SamePictureOrSound(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  const VIDEOINFOHEADER* va = VideoHeader(a);
  const VIDEOINFOHEADER* vb = VideoHeader(b);
  return va && vb && a.subtype == b.subtype && va->bmiHeader.biWidth == vb->bmiHeader.biWidth &&
         va->bmiHeader.biHeight == vb->bmiHeader.biHeight &&
         va->bmiHeader.biBitCount == vb->bmiHeader.biBitCount;
}

void VideoCapturePin::DecideBufferSize(ALLOCATOR_PROPERTIES& props) {
  const VIDEOINFOHEADER* vih = VideoHeader(ConnectedType().Get());
  long image = vih ? static_cast<long>(DibStride(vih->bmiHeader.biWidth, vih->bmiHeader.biBitCount) *
                                       vih->bmiHeader.biHeight)
                   : 640 * 480 * 4;
  if (props.cBuffers < 3) props.cBuffers = 3;
  if (props.cbBuffer < image) props.cbBuffer = image;
}

void VideoCapturePin::BeginStreaming(const MediaType& type) {
  const VIDEOINFOHEADER* vih = type.Video();
  int width = vih ? vih->bmiHeader.biWidth : model_.defaultWidth;
  int height = vih ? vih->bmiHeader.biHeight : model_.defaultHeight;
  bitCount_ = vih ? vih->bmiHeader.biBitCount : 24;
  frameTime_ = vih && vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : kDefaultFrameTime;
  imageBytes_ = DibStride(width, bitCount_) * height;
  pattern_ = std::make_unique<TestPattern>(width, height, model_.name, model_.mirrored);
  frame_ = 0;
  streamingSinceMs_ = GetTickCount64();
}

void VideoCapturePin::EndStreaming() { pattern_.reset(); }

REFERENCE_TIME VideoCapturePin::NextSample(REFERENCE_TIME now, REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  // A camera that falls behind (a slow sink, a pause) drops the frames it missed.
  if (now - frame_ * frameTime_ >= frameTime_) frame_ = now / frameTime_;
  *start = frame_ * frameTime_;
  *stop = *start + frameTime_;
  return *start;
}

HRESULT VideoCapturePin::FillSample(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME) {
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || sample->GetSize() < imageBytes_) return E_FAIL;
  uint32_t index = static_cast<uint32_t>(frame_++);
  // A camera goes on taking pictures while the graph is paused: its own count follows the clock
  // on the wall, not the stream time, which stands still in a pause.
  const auto cameraFrame = static_cast<uint32_t>((GetTickCount64() - streamingSinceMs_) * 10000 / frameTime_);
  if (!pattern_->Render(index, cameraFrame, start, bitCount_, data)) return E_FAIL;
  sample->SetActualDataLength(imageBytes_);
  return S_OK;
}

}  // namespace testbed
