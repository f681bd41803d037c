// The capture's compressor after the system's MS Video 1 compressor failed: our own driver
// (codec/Msvc1Driver.h), opened directly with ICOpenFunction rather than looked up by its FOURCC.
// ICOpen would find whichever 'MSVC' driver the system searches first (Wine takes a driver
// installed with ICInstall before the registered ones; Windows does not promise an order), and
// that may be the one that failed. The frames are compressed here and written to the file's
// stream as they are, with their key-frame flags; the file is the same as the compressing
// stream of the AVI library makes, so the merge with the sound and the repair treat it alike.
#pragma once
#include <windows.h>
#include <vfw.h>
#include <cstdint>
#include <vector>

class OwnCompressor {
public:
  OwnCompressor() = default;
  ~OwnCompressor();
  OwnCompressor(const OwnCompressor&) = delete;
  OwnCompressor& operator=(const OwnCompressor&) = delete;

  // Opens the driver for frames of `input`'s format; false when it refuses them.
  bool Begin(const BITMAPINFOHEADER* input, DWORD quality, DWORD keyFrameEvery);
  // The compressed stream's format (a BITMAPINFOHEADER).
  const std::vector<uint8_t>& Format() const { return format_; }
  DWORD MaxFrameBytes() const { return static_cast<DWORD>(output_.size()); }
  // Compresses one packed DIB; the result is in Output(), its size in *bytes and its index
  // flags (AVIIF_KEYFRAME or 0) in *flags. A key frame is made at least every keyFrameEvery.
  bool Compress(BITMAPINFOHEADER* frame, void* pixels, LONG* bytes, DWORD* flags);
  const void* Output() const { return output_.data(); }

private:
  void End();

  HIC hic_ = nullptr;
  bool begun_ = false;
  DWORD quality_ = 0;
  DWORD keyFrameEvery_ = 0;
  DWORD sinceKeyFrame_ = 0;
  LONG frameNumber_ = 0;
  std::vector<uint8_t> format_;
  std::vector<uint8_t> output_;
};
