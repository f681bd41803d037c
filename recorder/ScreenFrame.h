// Copies a screen rectangle into a 16-bit packed DIB with the mouse pointer drawn in.
#pragma once
#include <windows.h>

constexpr WORD kFrameBitCount = 16;

// The locked address of a new packed DIB of width x height pixels, or null when its block
// cannot be allocated. Release it with FreeDib.
BITMAPINFOHEADER* GrabScreenFrame(int x, int y, int width, int height);

// The pointer shape that frames show: the one the mouse hook saw last in this process, or the
// standard arrow.
HCURSOR CurrentCursor();
void RecordCurrentCursor(HCURSOR cursor);
