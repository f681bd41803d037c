#include "recorder/ScreenFrame.h"

#include "framework/Handles.h"
#include "recorder/PackedDib.h"

namespace {
HCURSOR currentCursor = nullptr;

// Draws the pointer with its hotspot, not its top-left corner, at the pointer position.
void DrawPointer(HDC dc, int x, int y) {
  POINT position = {};
  GetCursorPos(&position);
  position.x -= x;
  position.y -= y;
  HCURSOR cursor = CurrentCursor();
  ICONINFO icon = {};
  if (GetIconInfo(cursor, &icon)) {
    position.x -= static_cast<LONG>(icon.xHotspot);
    position.y -= static_cast<LONG>(icon.yHotspot);
    if (icon.hbmMask) DeleteObject(icon.hbmMask);
    if (icon.hbmColor) DeleteObject(icon.hbmColor);
  }
  DrawIcon(dc, position.x, position.y, cursor);
}
}  // namespace

HCURSOR CurrentCursor() {
  if (!currentCursor) currentCursor = LoadCursorA(nullptr, IDC_ARROW);
  return currentCursor;
}

void RecordCurrentCursor(HCURSOR cursor) { currentCursor = cursor; }

BITMAPINFOHEADER* GrabScreenFrame(int x, int y, int width, int height) {
  WindowDC screen(nullptr);
  MemoryDC memory(screen.Get());
  GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
  {
    SelectGuard select(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), x, y, SRCCOPY);
    DrawPointer(memory.Get(), x, y);
  }
  HGLOBAL dib = BitmapToDib(bitmap.Get(), kFrameBitCount);
  return dib ? static_cast<BITMAPINFOHEADER*>(GlobalLock(dib)) : nullptr;
}
