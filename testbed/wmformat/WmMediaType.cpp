#include "testbed/wmformat/WmMediaType.h"

#include <amvideo.h>
#include <nserror.h>

#include <cstring>

namespace testbed {

const GUID kWmVideo = {0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const GUID kWmAudio = {0x73647561, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const GUID kWmFormatVideoInfo = {0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
const GUID kWmSubtypeMss1 = {0x3153534D, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const GUID kWmSubtypeMss2 = {0x3253534D, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const GUID kWmSubtypeWmv3 = {0x33564D57, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const GUID kWmSubtypeRgb24 = {0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

const WM_MEDIA_TYPE* WmMediaType::Get() const {
  return block_.empty() ? nullptr : reinterpret_cast<const WM_MEDIA_TYPE*>(block_.data());
}

HRESULT WmMediaType::Set(const WM_MEDIA_TYPE& type) {
  if (type.cbFormat && !type.pbFormat) return E_INVALIDARG;
  if (type.formattype == kWmFormatVideoInfo && type.cbFormat < sizeof(VIDEOINFOHEADER)) return E_INVALIDARG;
  std::vector<BYTE> block(sizeof(WM_MEDIA_TYPE) + type.cbFormat);
  auto* copy = reinterpret_cast<WM_MEDIA_TYPE*>(block.data());
  *copy = type;
  copy->pUnk = nullptr;
  if (type.cbFormat) std::memcpy(block.data() + sizeof(WM_MEDIA_TYPE), type.pbFormat, type.cbFormat);
  block_.swap(block);
  PointAtFormat();
  return S_OK;
}

void WmMediaType::PointAtFormat() {
  if (block_.empty()) return;
  auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(block_.data());
  type->pbFormat = type->cbFormat ? block_.data() + sizeof(WM_MEDIA_TYPE) : nullptr;
}

HRESULT WmMediaType::CopyTo(WM_MEDIA_TYPE* out, DWORD* size) const {
  if (!size) return E_POINTER;
  if (block_.empty()) return NS_E_INVALID_REQUEST;
  DWORD needed = static_cast<DWORD>(block_.size());
  if (!out) {
    *size = needed;
    return S_OK;
  }
  if (*size < needed) {
    *size = needed;
    return NS_E_SDK_BUFFERTOOSMALL;
  }
  std::memcpy(out, block_.data(), needed);
  out->pbFormat = out->cbFormat ? reinterpret_cast<BYTE*>(out) + sizeof(WM_MEDIA_TYPE) : nullptr;
  *size = needed;
  return S_OK;
}

const VIDEOINFOHEADER* WmMediaType::VideoInfo() const {
  const WM_MEDIA_TYPE* type = Get();
  if (!type || type->formattype != kWmFormatVideoInfo || type->cbFormat < sizeof(VIDEOINFOHEADER)) return nullptr;
  return reinterpret_cast<const VIDEOINFOHEADER*>(block_.data() + sizeof(WM_MEDIA_TYPE));
}

WmMediaType MakeVideoType(const GUID& subtype, DWORD fourcc, WORD bitCount, LONG width, LONG height,
                          DWORD bitRate, REFERENCE_TIME timePerFrame, bool compressed) {
  VIDEOINFOHEADER info{};
  info.rcSource = {0, 0, width, height};
  info.rcTarget = info.rcSource;
  info.dwBitRate = bitRate;
  info.AvgTimePerFrame = timePerFrame;
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = bitCount;
  info.bmiHeader.biCompression = fourcc;
  info.bmiHeader.biSizeImage = compressed ? 0 : static_cast<DWORD>(width * height * bitCount / 8);
  WM_MEDIA_TYPE type{};
  type.majortype = kWmVideo;
  type.subtype = subtype;
  type.bFixedSizeSamples = compressed ? FALSE : TRUE;
  type.bTemporalCompression = compressed ? TRUE : FALSE;
  type.lSampleSize = info.bmiHeader.biSizeImage;
  type.formattype = kWmFormatVideoInfo;
  type.cbFormat = sizeof(info);
  type.pbFormat = reinterpret_cast<BYTE*>(&info);
  WmMediaType made;
  made.Set(type);
  return made;
}

}  // namespace testbed
