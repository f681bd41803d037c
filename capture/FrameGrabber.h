// The sample grabber of both graphs: the display's RGB format and the per-frame callback that
// copies a frame when a snapshot is wanted.
#pragma once
#include "framework/Handles.h"

#include <dshow.h>
#include <qedit.h>
#include "capture/FrameHandOff.h"
#include <atomic>
#include <cstddef>

// Nonzero while a snapshot is wanted; the snapshot writer clears it before it reads the copy.
extern std::atomic<int> SnapshotRequested;

// Bits per pixel of the display, read each time the grabber's media type is set.
extern int DisplayColourDepth;

// The program's one frame callback. It lives as long as the process, so its reference
// counting is a formality.
class SampleGrabberCallback : public ISampleGrabberCB {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE SampleCB(double sampleTime, IMediaSample* sample) override;
  HRESULT STDMETHODCALLTYPE BufferCB(double sampleTime, BYTE* buffer, LONG length) override;

  // Size of the connected video format.
  LONG frameWidth = 0;
  LONG frameHeight = 0;
  // Window that receives WM_FRAMEREADY once a frame was copied.
  HWND owner = nullptr;

  // The frame copied last, taken whole by the main window on WM_FRAMEREADY (null when none
  // waits); the streaming thread never touches a frame once it has been handed over.
  FrameCopyPtr TakeFrame() { return frames_.Take(); }
  // Gives a written frame back so that the next copy reuses its block.
  void RecycleFrame(FrameCopyPtr frame) { frames_.Recycle(std::move(frame)); }

private:
  FrameHandOff frames_;
};

extern SampleGrabberCallback GrabberCallback;

// The uncompressed RGB subtype for a display depth; false for depths other than 8, 16, 24, 32.
bool RgbSubtypeForDepth(int bitsPerPixel, GUID* subtype);

// The display's bits per pixel (BITSPIXEL of the screen).
int ScreenBitsPerPixel();

// Asks the grabber for video of the display's RGB format; 1 on success.
HRESULT SetGrabberMediaType(ISampleGrabber* grabber, int bitsPerPixel);

// Takes the connected frame size and routes every frame to GrabberCallback for `owner`.
HRESULT ConfigureGrabberCallback(ISampleGrabber* grabber, HWND owner);

// Frees the format block and the media type's contents (not the structure itself).
void FreeMediaTypeContents(AM_MEDIA_TYPE& type);
// Frees a media type handed out with CoTaskMemAlloc, contents and all.
void DeleteMediaTypeBlock(AM_MEDIA_TYPE* type);
