// One screen frame as a packed DIB: a movable global block holding a BITMAPINFOHEADER, the
// colour table and the bottom-up pixel rows.
#pragma once
#include <windows.h>

// Bytes of one pixel row, padded to a multiple of 4.
DWORD DibRowBytes(LONG width, WORD bitCount);
// Entries of the colour table: 1 << bits up to 8 bits, none above.
DWORD DibColourCount(WORD bitCount);
// Header, colour table and pixels.
SIZE_T DibBlockBytes(LONG width, LONG height, WORD bitCount);
// The pixel rows that follow the header and its colour table.
inline BYTE* DibPixels(BITMAPINFOHEADER* dib) {
  return reinterpret_cast<BYTE*>(dib) + dib->biSize + 4 * dib->biClrUsed;
}

// A new packed DIB (unlocked handle) holding the bitmap's pixels, or null when the block cannot
// be allocated. The bitmap must not be selected into a device context.
HGLOBAL BitmapToDib(HBITMAP bitmap, WORD bitCount);
// A new zero-filled packed DIB (unlocked handle) of width x height pixels with its header
// filled in, or null when the block cannot be allocated.
HGLOBAL AllocateDib(LONG width, LONG height, WORD bitCount);
// Reads the bitmap's pixels into a packed DIB of its size (the header says which), through `dc`.
// The bitmap must not be selected into a device context. The header is the same afterwards.
void FillDib(HDC dc, HBITMAP bitmap, BITMAPINFOHEADER* dib);
// Unlocks and frees the block behind a locked address; null is ignored.
void FreeDib(void* address);
