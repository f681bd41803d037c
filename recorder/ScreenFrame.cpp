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

namespace {
// Copies the rectangle into the bitmap and draws the pointer in.
void CopyWithPointer(HDC screen, HDC memory, HBITMAP bitmap, int x, int y, int width, int height) {
  SelectGuard select(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY);
  DrawPointer(memory, x, y);
}
}  // namespace

BITMAPINFOHEADER* GrabScreenFrame(int x, int y, int width, int height) {
  WindowDC screen(nullptr);
  MemoryDC memory(screen.Get());
  GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
  CopyWithPointer(screen.Get(), memory.Get(), bitmap.Get(), x, y, width, height);
  HGLOBAL dib = BitmapToDib(bitmap.Get(), kFrameBitCount);
  return dib ? static_cast<BITMAPINFOHEADER*>(GlobalLock(dib)) : nullptr;
}

ScreenGrabber::ScreenGrabber(int x, int y, int width, int height)
    : x_(x), y_(y), width_(width), height_(height), screen_(nullptr), memory_(screen_.Get()),
      bitmap_(CreateCompatibleBitmap(screen_.Get(), width, height)),
      block_(AllocateDib(width, height, kFrameBitCount)) {
  if (block_) frame_ = static_cast<BITMAPINFOHEADER*>(GlobalLock(block_));
}

ScreenGrabber::~ScreenGrabber() { FreeDib(frame_); }

void ScreenGrabber::CopyScreen() {
  CopyWithPointer(screen_.Get(), memory_.Get(), bitmap_.Get(), x_, y_, width_, height_);
}

BITMAPINFOHEADER* ScreenGrabber::Convert() {
  // The bitmap is no longer selected into the memory DC, which lends itself to the conversion.
  if (frame_) FillDib(memory_.Get(), bitmap_.Get(), frame_);
  return frame_;
}
