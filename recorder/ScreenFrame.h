// Copies a screen rectangle into a 16-bit packed DIB with the mouse pointer drawn in.
#pragma once
#include "framework/Handles.h"

#include <windows.h>

constexpr WORD kFrameBitCount = 16;

// The locked address of a new packed DIB of width x height pixels, or null when its block
// cannot be allocated. Release it with FreeDib.
BITMAPINFOHEADER* GrabScreenFrame(int x, int y, int width, int height);

// GrabScreenFrame for the frames of one capture run: the screen DC, the memory DC, the bitmap
// and the packed DIB are made once and reused, so that a frame costs no allocation and no
// zero-filling of a 2 to 4 MB block. The frame keeps the packed DIB layout.
class ScreenGrabber {
public:
  ScreenGrabber(int x, int y, int width, int height);
  ~ScreenGrabber();
  ScreenGrabber(const ScreenGrabber&) = delete;
  ScreenGrabber& operator=(const ScreenGrabber&) = delete;

  // A new picture of the rectangle in this grabber's packed DIB: valid until the next Grab or
  // the grabber's end, and never freed by the caller. Null when the block could not be allocated.
  BITMAPINFOHEADER* Grab() {
    CopyScreen();
    return Convert();
  }
  // The two steps of Grab, for callers that time them: the screen copy with the pointer drawn
  // in, then its conversion into the packed DIB.
  void CopyScreen();
  BITMAPINFOHEADER* Convert();

private:
  int x_, y_, width_, height_;
  WindowDC screen_;
  MemoryDC memory_;
  GdiObject<HBITMAP> bitmap_;
  HGLOBAL block_ = nullptr;
  BITMAPINFOHEADER* frame_ = nullptr;  // the locked block
};

// The pointer shape that frames show: the one the mouse hook saw last in this process, or the
// standard arrow.
HCURSOR CurrentCursor();
void RecordCurrentCursor(HCURSOR cursor);
