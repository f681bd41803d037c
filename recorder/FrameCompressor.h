// The capture's frames compressed one by one through a Video for Windows compressor
// (ICCompress) and written to the file's stream as they are, with their key-frame flags; the
// file is the same as the compressing stream of the AVI library makes, so the merge with the
// sound and the repair treat it alike. Unlike that stream, each frame gets a quality of its own,
// which the data-rate budget needs.
// Two compressors serve: the system's 'MSVC' compressor as ICOpen finds it (ours where the
// system has none, see codec/Msvc1Driver.h), and, after the system's compressor failed, our own
// driver opened directly with ICOpenFunction. ICOpen would find whichever 'MSVC' driver the system
// searches first (Wine takes a driver installed with ICInstall before the registered ones;
// Windows does not promise an order), and that may be the one that failed.
#pragma once
#include <windows.h>
#include <vfw.h>
#include <cstdint>
#include <vector>

enum class CompressorChoice { System, Ours };

class FrameCompressor {
public:
  FrameCompressor() = default;
  ~FrameCompressor();
  FrameCompressor(const FrameCompressor&) = delete;
  FrameCompressor& operator=(const FrameCompressor&) = delete;

  // Opens the compressor for frames of `input`'s format; false when it refuses them. A key frame
  // is made at least every `keyFrameEvery` stream positions (the AVI library's compressing
  // stream counts the same way, so that a recording without gaps and one with them alike get a
  // key frame a second at the capture's 200 positions a second).
  bool Begin(const BITMAPINFOHEADER* input, CompressorChoice choice, DWORD keyFrameEvery);
  // The compressed stream's format (a BITMAPINFOHEADER).
  const std::vector<uint8_t>& Format() const { return format_; }
  DWORD MaxFrameBytes() const { return static_cast<DWORD>(output_.size()); }
  // Compresses one packed DIB for stream position `position` at `quality` (0..10000); the
  // result is in Output(), its size in *bytes and its index flags (AVIIF_KEYFRAME or 0) in
  // *flags. Positions only grow.
  bool Compress(BITMAPINFOHEADER* frame, void* pixels, uint32_t position, DWORD quality, LONG* bytes,
                DWORD* flags);
  const void* Output() const { return output_.data(); }

private:
  void End();

  HIC hic_ = nullptr;
  bool begun_ = false;
  DWORD keyFrameEvery_ = 0;
  uint32_t lastKeyPosition_ = 0;
  LONG frameNumber_ = 0;
  std::vector<uint8_t> format_;
  std::vector<uint8_t> output_;
  // A temporal compressor that does not keep the previous frame itself is handed it.
  bool needsPrevious_ = false;
  std::vector<uint8_t> previous_;
};
