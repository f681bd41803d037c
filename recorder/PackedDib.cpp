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

HGLOBAL BitmapToDib(HBITMAP bitmap, WORD bitCount) {
  BITMAP info = {};
  GetObjectA(bitmap, sizeof(info), &info);
  DWORD colours = DibColourCount(bitCount);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                              DibBlockBytes(info.bmWidth, info.bmHeight, bitCount));
  if (!block) return nullptr;
  auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = info.bmWidth;
  header->biHeight = info.bmHeight;
  header->biPlanes = 1;
  header->biBitCount = bitCount;
  header->biCompression = BI_RGB;
  header->biSizeImage = DibRowBytes(info.bmWidth, bitCount) * info.bmHeight;
  header->biClrUsed = colours;
  {
    MemoryDC dc(nullptr);
    GetDIBits(dc.Get(), bitmap, 0, info.bmHeight, DibPixels(header),
              reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS);
  }
  // GetDIBits may rewrite the colour count; the layout depends on it.
  header->biClrUsed = colours;
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
