#include "recorder/FrameCompressor.h"

#include "recorder/RecorderState.h"
#include "recorder/codec/Msvc1Driver.h"

#include <cstring>

FrameCompressor::~FrameCompressor() { End(); }

void FrameCompressor::End() {
  if (begun_) ICCompressEnd(hic_);
  begun_ = false;
  if (hic_) ICClose(hic_);
  hic_ = nullptr;
}

bool FrameCompressor::Begin(const BITMAPINFOHEADER* input, CompressorChoice choice, DWORD keyFrameEvery) {
  End();
  hic_ = choice == CompressorChoice::Ours
             ? ICOpenFunction(ICTYPE_VIDEO, kFourccMsvc, ICMODE_COMPRESS, reinterpret_cast<FARPROC>(&Msvc1DriverProc))
             : ICOpen(ICTYPE_VIDEO, kFourccMsvc, ICMODE_COMPRESS);
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
  ICINFO info = {};
  info.dwSize = sizeof(info);
  ICGetInfo(hic_, &info, sizeof(info));
  needsPrevious_ = (info.dwFlags & VIDCF_TEMPORAL) && !(info.dwFlags & VIDCF_FASTTEMPORALC);
  previous_.clear();
  output_.assign(maxBytes, 0);
  keyFrameEvery_ = keyFrameEvery;
  lastKeyPosition_ = 0;
  frameNumber_ = 0;
  return true;
}

bool FrameCompressor::Compress(BITMAPINFOHEADER* frame, void* pixels, uint32_t position, DWORD quality, LONG* bytes,
                               DWORD* flags) {
  if (!begun_) return false;
  // The header is the compressor's to fill with the frame's size; the stream's format stays.
  BITMAPINFOHEADER header = *reinterpret_cast<const BITMAPINFOHEADER*>(format_.data());
  const bool key = frameNumber_ == 0 || (keyFrameEvery_ != 0 && position - lastKeyPosition_ >= keyFrameEvery_);
  const bool withPrevious = needsPrevious_ && !key && previous_.size() == frame->biSizeImage;
  DWORD chunkId = 0, indexFlags = 0;
  DWORD result = ICCompress(hic_, key ? ICCOMPRESS_KEYFRAME : 0, &header, output_.data(), frame, pixels, &chunkId,
                            &indexFlags, frameNumber_, 0, quality, withPrevious ? frame : nullptr,
                            withPrevious ? previous_.data() : nullptr);
  if (result != ICERR_OK || header.biSizeImage > output_.size()) return false;
  if (needsPrevious_) {
    const uint8_t* from = static_cast<const uint8_t*>(pixels);
    previous_.assign(from, from + frame->biSizeImage);
  }
  ++frameNumber_;
  // A key frame the compressor made on its own (a change of its way of coding) counts too.
  if (indexFlags & AVIIF_KEYFRAME) lastKeyPosition_ = position;
  *bytes = static_cast<LONG>(header.biSizeImage);
  *flags = indexFlags & AVIIF_KEYFRAME;
  return true;
}
