// The AVI file of one capture run: the file, its raw video stream and the compressing stream
// on top of it, into which frames are written (compression happens inside AVIStreamWrite).
// Where each frame needs a quality of its own (a data-rate budget), or after the system's
// compressor failed, the frames are compressed here instead and go into the raw stream
// (FrameCompressor.h).
#pragma once
#include "recorder/FrameCompressor.h"
#include "recorder/FrameCost.h"
#include "recorder/RecorderState.h"

#include <windows.h>
#include <vfw.h>
#include <cstdint>
#include <memory>
#include <vector>

enum class AviSetUp { Ready, Failed, VideoForWindowsTooOld, NoProbeFrame };

// How the frames are compressed: by the AVI library's compressing stream at the capture's fixed
// quality; frame by frame through the system's 'MSVC' compressor, each at the quality asked for;
// or frame by frame through our own driver, after the system's compressor failed.
enum class FrameCompression { Stream, PerFrame, OwnDriver };

class AviCapture {
public:
  AviCapture();
  ~AviCapture();
  AviCapture(const AviCapture&) = delete;
  AviCapture& operator=(const AviCapture&) = delete;

  // Opens `path` for writing with one MS Video 1 stream of the rectangle's size at `rate`
  // positions per second, compressed as `compression` says. Failed: an AVI call failed (see
  // LastResult).
  AviSetUp Open(const std::string& path, const CaptureRectangle& rectangle, DWORD rate,
                FrameCompression compression = FrameCompression::Stream);
  // Compresses and writes one packed DIB at a stream position; the result is kept as well.
  // `cost`, when given, asks for the frame's quality and learns its size.
  HRESULT WriteFrame(BITMAPINFOHEADER* frame, uint32_t index, FrameCost* cost = nullptr);
  // Frees the compression options (before the sound is stopped).
  void FreeOptions();
  // Releases the file and the streams and ends the AVI library use; the file is complete.
  void Close();

  HRESULT LastResult() const { return lastResult_; }
  // The compressed stream's format and header, as the file's headers will give them.
  std::vector<uint8_t> CompressedFormat() const;
  AVISTREAMINFOA CompressedStreamInfo() const;

private:
  HRESULT CreateCompressedStream(const BITMAPINFOHEADER* probe);
  HRESULT CreateFrameCompressedStream(const BITMAPINFOHEADER* probe, CompressorChoice choice);

  std::unique_ptr<FrameCompressor> perFrame_;
  AVISTREAMINFOA header_ = {};
  bool libraryInitialised_ = false;
  PAVIFILE file_ = nullptr;
  PAVISTREAM rawStream_ = nullptr;
  PAVISTREAM compressedStream_ = nullptr;
  AVICOMPRESSOPTIONS options_ = {};
  HRESULT lastResult_ = 0;
};

// The frame write call (AVIStreamWrite); tests replace it to make a write fail as a full disk
// would. nullptr restores the real call.
using AviStreamWriteCall = HRESULT(WINAPI*)(PAVISTREAM, LONG, LONG, LPVOID, LONG, DWORD, LONG*, LONG*);
void SetAviStreamWriteForTests(AviStreamWriteCall call);

// The capture's compression options: MS Video 1, quality 8000, a key frame every 200 frames.
AVICOMPRESSOPTIONS CaptureCompressOptions();

// How the recorder state's capture compresses: with our driver once the system's failed, frame
// by frame where a data-rate budget chooses the qualities, else through the library's stream.
FrameCompression CaptureCompression(const RecorderState& state);
