#include "recorder/ScreenFrame.h"

#include "framework/Handles.h"
#include "recorder/PackedDib.h"

#include <algorithm>

namespace {
HCURSOR currentCursor = nullptr;
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
  DrawnPointer pointer(memory);
  pointer.DrawOnNewPicture(memory, pointer.PlaceNow(x, y));
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
      bitmap_(CreateCompatibleBitmap(screen_.Get(), width, height)), pointer_(screen_.Get()),
      block_(AllocateDib(width, height, kFrameBitCount)) {
  if (block_) frame_ = static_cast<BITMAPINFOHEADER*>(GlobalLock(block_));
}

ScreenGrabber::~ScreenGrabber() { FreeDib(frame_); }

void ScreenGrabber::CopyScreen() {
  SelectGuard select(memory_.Get(), bitmap_.Get());
  BitBlt(memory_.Get(), 0, 0, width_, height_, screen_.Get(), x_, y_, SRCCOPY);
  pointer_.DrawOnNewPicture(memory_.Get(), pointer_.PlaceNow(x_, y_));
}

BITMAPINFOHEADER* ScreenGrabber::MovePointer(bool* moved) {
  const PointerPlace place = pointer_.PlaceNow(x_, y_);
  const bool elsewhere = !(place == pointer_.Drawn());
  *moved = elsewhere;
  if (!elsewhere) return frame_;
  const RECT left = pointer_.Drawn().Rect();
  {
    SelectGuard select(memory_.Get(), bitmap_.Get());
    pointer_.Move(memory_.Get(), place);
  }
  const RECT entered = pointer_.Drawn().Rect();
  if (frame_) {
    ConvertRows(left.top, left.bottom);
    ConvertRows(entered.top, entered.bottom);
  }
  return frame_;
}

ScreenGrabber::Rows ScreenGrabber::PointerRows() const {
  // Top-down picture rows, clipped to the picture, then counted from the bottom as stored; no
  // pointer was drawn before the first picture.
  RECT rows = pointer_.Drawn().Rect();
  if (pointer_.DrawnBefore().cursor) {
    const RECT before = pointer_.DrawnBefore().Rect();
    rows.top = std::min(rows.top, before.top);
    rows.bottom = std::max(rows.bottom, before.bottom);
  }
  const LONG top = std::max<LONG>(0, rows.top);
  const LONG bottom = std::min<LONG>(height_, rows.bottom);
  if (top >= bottom) return {};
  return {height_ - bottom, height_ - top};
}

void ScreenGrabber::RemovePointer(BYTE* pixels) {
  if (!frame_) return;
  const RECT drawn = pointer_.Drawn().Rect();
  {
    SelectGuard select(memory_.Get(), bitmap_.Get());
    pointer_.Hide(memory_.Get());
  }
  ConvertRows(drawn.top, drawn.bottom, pixels);
  SelectGuard select(memory_.Get(), bitmap_.Get());
  pointer_.Show(memory_.Get());
}

void ScreenGrabber::ConvertRows(LONG top, LONG bottom, BYTE* pixels) {
  top = std::max<LONG>(top, 0);
  bottom = std::min<LONG>(bottom, height_);
  if (top >= bottom) return;
  // The packed DIB's rows run bottom-up: scan line 0 is the picture's last row.
  const LONG firstScan = height_ - bottom;
  BYTE* rows = pixels + static_cast<size_t>(firstScan) * DibRowBytes(width_, kFrameBitCount);
  const BITMAPINFOHEADER header = *frame_;
  GetDIBits(memory_.Get(), bitmap_.Get(), static_cast<UINT>(firstScan), static_cast<UINT>(bottom - top), rows,
            reinterpret_cast<BITMAPINFO*>(frame_), DIB_RGB_COLORS);
  // GetDIBits may rewrite the header's fields; the layout depends on them.
  *frame_ = header;
}

BITMAPINFOHEADER* ScreenGrabber::Convert() {
  // The bitmap is no longer selected into the memory DC, which lends itself to the conversion.
  if (frame_) FillDib(memory_.Get(), bitmap_.Get(), frame_);
  return frame_;
}
