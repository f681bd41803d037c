// Copies a screen rectangle into a 16-bit packed DIB with the mouse pointer drawn in.
#pragma once
#include "framework/Handles.h"

#include <windows.h>

constexpr WORD kFrameBitCount = 16;

// The locked address of a new packed DIB of width x height pixels, or null when its block
// cannot be allocated. Release it with FreeDib.
BITMAPINFOHEADER* GrabScreenFrame(int x, int y, int width, int height);

// GrabScreenFrame for the frames of one capture run: the screen DC, the memory DC and the bitmap
// are made once and reused, which saves about a quarter of the time of a full-screen frame
// (the benchmark's figures). Every frame is still its own new packed DIB.
class ScreenGrabber {
public:
  ScreenGrabber(int x, int y, int width, int height);
  ScreenGrabber(const ScreenGrabber&) = delete;
  ScreenGrabber& operator=(const ScreenGrabber&) = delete;
  BITMAPINFOHEADER* Grab();

private:
  int x_, y_, width_, height_;
  WindowDC screen_;
  MemoryDC memory_;
  GdiObject<HBITMAP> bitmap_;
};

// The pointer shape that frames show: the one the mouse hook saw last in this process, or the
// standard arrow.
HCURSOR CurrentCursor();
void RecordCurrentCursor(HCURSOR cursor);
