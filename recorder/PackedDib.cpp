#include "recorder/PackedDib.h"

#include "framework/Handles.h"

DWORD DibRowBytes(LONG width, WORD bitCount) {
  return ((static_cast<DWORD>(width) * bitCount + 31) >> 5) * 4;
}

DWORD DibColourCount(WORD bitCount) { return bitCount <= 8 ? 1u << bitCount : 0; }

SIZE_T DibBlockBytes(LONG width, LONG height, WORD bitCount) {
  return static_cast<SIZE_T>(DibRowBytes(width, bitCount)) * height + 4 * DibColourCount(bitCount) +
         sizeof(BITMAPINFOHEADER);
}

HGLOBAL AllocateDib(LONG width, LONG height, WORD bitCount) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, DibBlockBytes(width, height, bitCount));
  if (!block) return nullptr;
  auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = bitCount;
  header->biCompression = BI_RGB;
  header->biSizeImage = DibRowBytes(width, bitCount) * height;
  header->biClrUsed = DibColourCount(bitCount);
  GlobalUnlock(block);
  return block;
}

void FillDib(HDC dc, HBITMAP bitmap, BITMAPINFOHEADER* dib) {
  const BITMAPINFOHEADER header = *dib;
  GetDIBits(dc, bitmap, 0, dib->biHeight, DibPixels(dib), reinterpret_cast<BITMAPINFO*>(dib), DIB_RGB_COLORS);
  // GetDIBits may rewrite the colour count and other fields; the layout depends on them.
  *dib = header;
}

HGLOBAL BitmapToDib(HBITMAP bitmap, WORD bitCount) {
  BITMAP info = {};
  GetObjectA(bitmap, sizeof(info), &info);
  HGLOBAL block = AllocateDib(info.bmWidth, info.bmHeight, bitCount);
  if (!block) return nullptr;
  {
    MemoryDC dc(nullptr);
    FillDib(dc.Get(), bitmap, static_cast<BITMAPINFOHEADER*>(GlobalLock(block)));
  }
  GlobalUnlock(block);
  return block;
}

void FreeDib(void* address) {
  if (!address) return;
  HGLOBAL block = GlobalHandle(address);
  if (!block) return;
  GlobalUnlock(block);
  GlobalFree(block);
}
