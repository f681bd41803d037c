// The AVI file of one capture run: the file, its raw video stream and the compressing stream
// on top of it, into which frames are written (compression happens inside AVIStreamWrite).
#pragma once
#include "recorder/RecorderState.h"

#include <windows.h>
#include <vfw.h>
#include <cstdint>
#include <vector>

enum class AviSetUp { Ready, Failed, VideoForWindowsTooOld, NoProbeFrame };

class AviCapture {
public:
  AviCapture();
  ~AviCapture();
  AviCapture(const AviCapture&) = delete;
  AviCapture& operator=(const AviCapture&) = delete;

  // Opens `path` for writing with one MS Video 1 stream of the rectangle's size at `rate`
  // positions per second. Failed: an AVI call failed (see LastResult).
  AviSetUp Open(const std::string& path, const CaptureRectangle& rectangle, DWORD rate);
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
