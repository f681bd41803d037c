// Copies a screen rectangle into a 16-bit packed DIB with the mouse pointer drawn in.
#pragma once
#include "framework/Handles.h"
#include "recorder/PackedDib.h"
#include "recorder/DrawnPointer.h"

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

  // The last picture with the pointer moved to where it is now: only the rows that the pointer
  // left or entered are converted again. For a screen of which nothing but the pointer is known
  // to have changed since the last copy; valid as Grab's picture. `*moved` says whether the
  // pointer stood elsewhere or had another shape, so that a picture known to be the same as the
  // last need not be compared.
  BITMAPINFOHEADER* MovePointer(bool* moved);
  // The pixel rows of the packed DIB (counted from its bottom row, as stored) that the pointer
  // covers in the last picture and covered in the one before: changes within them may be the
  // pointer's alone. Empty (first == end) when the pointer lies outside both.
  struct Rows {
    LONG first = 0;
    LONG end = 0;
  };
  Rows PointerRows() const;
  // Whether the pointer stands where it stood in the picture before, with the same shape.
  bool PointerStill() const { return pointer_.Drawn() == pointer_.DrawnBefore(); }
  // Where the last picture shows the pointer, in its pixels from the top left (may reach past
  // the picture's edges; empty before the first picture).
  RECT PointerRect() const { return pointer_.Drawn().Rect(); }
  // Pastes what the screen showed under the pointer into a copy of the last picture's pixels
  // (the packed DIB's rows), so that the copy shows the screen without the pointer.
  void RemovePointer(BYTE* pixels);

private:
  // Converts the top-down picture rows [top, bottom) into the packed DIB's rows at `pixels`.
  void ConvertRows(LONG top, LONG bottom, BYTE* pixels);
  void ConvertRows(LONG top, LONG bottom) { ConvertRows(top, bottom, DibPixels(frame_)); }
  int x_, y_, width_, height_;
  WindowDC screen_;
  MemoryDC memory_;
  GdiObject<HBITMAP> bitmap_;
  DrawnPointer pointer_;
  HGLOBAL block_ = nullptr;
  BITMAPINFOHEADER* frame_ = nullptr;  // the locked block
};

// The pointer shape that frames show: the one the mouse hook saw last in this process, or the
// standard arrow.
HCURSOR CurrentCursor();
void RecordCurrentCursor(HCURSOR cursor);
