// The AVI file of one capture run: the file, its raw video stream and the compressing stream
// on top of it, into which frames are written (compression happens inside AVIStreamWrite).
// After the system's compressor failed, our own compressor is used instead and its frames go
// into the raw stream (OwnCompressor.h).
#pragma once
#include "recorder/OwnCompressor.h"
#include "recorder/RecorderState.h"

#include <windows.h>
#include <vfw.h>
#include <cstdint>
#include <memory>
#include <vector>

enum class AviSetUp { Ready, Failed, VideoForWindowsTooOld, NoProbeFrame };

class AviCapture {
public:
  AviCapture();
  ~AviCapture();
  AviCapture(const AviCapture&) = delete;
  AviCapture& operator=(const AviCapture&) = delete;

  // Opens `path` for writing with one MS Video 1 stream of the rectangle's size at `rate`
  // positions per second, compressed by the system's 'MSVC' compressor or, with
  // `ownCompressor`, by ours. Failed: an AVI call failed (see LastResult).
  AviSetUp Open(const std::string& path, const CaptureRectangle& rectangle, DWORD rate,
                bool ownCompressor = false);
  // Compresses and writes one packed DIB at a stream position; the result is kept as well.
  HRESULT WriteFrame(BITMAPINFOHEADER* frame, uint32_t index);
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
  HRESULT CreateOwnCompressedStream(const BITMAPINFOHEADER* probe);

  std::unique_ptr<OwnCompressor> own_;
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
