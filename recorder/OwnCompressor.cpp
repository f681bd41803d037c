#include "recorder/OwnCompressor.h"

#include "recorder/RecorderState.h"
#include "recorder/codec/Msvc1Driver.h"

OwnCompressor::~OwnCompressor() { End(); }

void OwnCompressor::End() {
  if (begun_) ICCompressEnd(hic_);
  begun_ = false;
  if (hic_) ICClose(hic_);
  hic_ = nullptr;
}

bool OwnCompressor::Begin(const BITMAPINFOHEADER* input, DWORD quality, DWORD keyFrameEvery) {
  End();
  hic_ = ICOpenFunction(ICTYPE_VIDEO, kFourccMsvc, ICMODE_COMPRESS,
                        reinterpret_cast<FARPROC>(&Msvc1DriverProc));
  if (!hic_) return false;
  auto* in = const_cast<BITMAPINFO*>(reinterpret_cast<const BITMAPINFO*>(input));
  LONG formatBytes = static_cast<LONG>(ICCompressGetFormatSize(hic_, in));
  if (formatBytes < static_cast<LONG>(sizeof(BITMAPINFOHEADER))) return false;
  format_.assign(static_cast<size_t>(formatBytes), 0);
  auto* out = reinterpret_cast<BITMAPINFO*>(format_.data());
  if (ICCompressGetFormat(hic_, in, out) != ICERR_OK) return false;
  DWORD maxBytes = ICCompressGetSize(hic_, in, out);
  if (maxBytes == 0 || ICCompressBegin(hic_, in, out) != ICERR_OK) return false;
  begun_ = true;
  output_.assign(maxBytes, 0);
  quality_ = quality;
  keyFrameEvery_ = keyFrameEvery;
  sinceKeyFrame_ = 0;
  frameNumber_ = 0;
  return true;
}

bool OwnCompressor::Compress(BITMAPINFOHEADER* frame, void* pixels, LONG* bytes, DWORD* flags) {
  if (!begun_) return false;
  // The header is the driver's to fill with the frame's size; the stream's format stays.
  BITMAPINFOHEADER header = *reinterpret_cast<const BITMAPINFOHEADER*>(format_.data());
  const bool key = frameNumber_ == 0 || (keyFrameEvery_ != 0 && sinceKeyFrame_ + 1 >= keyFrameEvery_);
  DWORD chunkId = 0, indexFlags = 0;
  DWORD result = ICCompress(hic_, key ? ICCOMPRESS_KEYFRAME : 0, &header, output_.data(), frame, pixels,
                            &chunkId, &indexFlags, frameNumber_, 0, quality_, nullptr, nullptr);
  if (result != ICERR_OK || header.biSizeImage > output_.size()) return false;
  ++frameNumber_;
  sinceKeyFrame_ = (indexFlags & AVIIF_KEYFRAME) ? 0 : sinceKeyFrame_ + 1;
  *bytes = static_cast<LONG>(header.biSizeImage);
  *flags = indexFlags & AVIIF_KEYFRAME;
  return true;
}
