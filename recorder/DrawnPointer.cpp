#include "recorder/DrawnPointer.h"

#include "recorder/ScreenFrame.h"

#include <algorithm>

namespace {
// The size of a bitmap, or nothing.
SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info = {};
  if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info)) return {};
  return {info.bmWidth, info.bmHeight};
}
}  // namespace

DrawnPointer::DrawnPointer(HDC compatibleWith) : under_(compatibleWith) {}

DrawnPointer::~DrawnPointer() {
  // The bitmap is deleted after the DC lets go of it.
  if (firstBitmap_) SelectObject(under_.Get(), firstBitmap_);
}

PointerPlace DrawnPointer::PlaceNow(int x, int y) {
  PointerPlace place;
  place.cursor = CurrentCursor();
  if (place.cursor != shape_) {
    shape_ = place.cursor;
    hotspot_ = {};
    ICONINFO icon = {};
    SIZE shape = {};
    if (GetIconInfo(shape_, &icon)) {
      hotspot_ = {static_cast<LONG>(icon.xHotspot), static_cast<LONG>(icon.yHotspot)};
      // A monochrome pointer's mask holds the AND and the XOR halves one above the other.
      shape = icon.hbmColor ? BitmapSize(icon.hbmColor) : BitmapSize(icon.hbmMask);
      if (!icon.hbmColor) shape.cy /= 2;
      if (icon.hbmMask) DeleteObject(icon.hbmMask);
      if (icon.hbmColor) DeleteObject(icon.hbmColor);
    }
    // DrawIcon draws at the system's icon size, whatever the shape's own size.
    shapeSize_ = {std::max<LONG>(shape.cx, GetSystemMetrics(SM_CXICON)),
                  std::max<LONG>(shape.cy, GetSystemMetrics(SM_CYICON))};
  }
  POINT position = {};
  GetCursorPos(&position);
  place.at = {position.x - x - hotspot_.x, position.y - y - hotspot_.y};
  place.size = shapeSize_;
  return place;
}

void DrawnPointer::KeepUnder(HDC dc, const PointerPlace& place) {
  if (place.size.cx > underSize_.cx || place.size.cy > underSize_.cy) {
    if (firstBitmap_) SelectObject(under_.Get(), firstBitmap_);
    underSize_ = {std::max(place.size.cx, underSize_.cx), std::max(place.size.cy, underSize_.cy)};
    underBitmap_ = GdiObject<HBITMAP>(CreateCompatibleBitmap(dc, underSize_.cx, underSize_.cy));
    HGDIOBJ previous = SelectObject(under_.Get(), underBitmap_.Get());
    if (!firstBitmap_) firstBitmap_ = previous;
  }
  BitBlt(under_.Get(), 0, 0, place.size.cx, place.size.cy, dc, place.at.x, place.at.y, SRCCOPY);
}

void DrawnPointer::DrawOnNewPicture(HDC dc, const PointerPlace& place) {
  KeepUnder(dc, place);
  DrawIcon(dc, place.at.x, place.at.y, place.cursor);
  before_ = drawn_;
  drawn_ = place;
}

void DrawnPointer::Hide(HDC dc) {
  if (drawn_.cursor) BitBlt(dc, drawn_.at.x, drawn_.at.y, drawn_.size.cx, drawn_.size.cy, under_.Get(), 0, 0, SRCCOPY);
}

void DrawnPointer::Show(HDC dc) {
  if (drawn_.cursor) DrawIcon(dc, drawn_.at.x, drawn_.at.y, drawn_.cursor);
}

void DrawnPointer::Move(HDC dc, const PointerPlace& place) {
  BitBlt(dc, drawn_.at.x, drawn_.at.y, drawn_.size.cx, drawn_.size.cy, under_.Get(), 0, 0, SRCCOPY);
  DrawOnNewPicture(dc, place);
}
