// The mouse pointer as drawn into a screen picture: where it stands and what it covers there, so
// that a pointer that moved over a still screen can be moved in the last picture instead of
// copying the whole screen again.
#pragma once
#include "framework/Handles.h"

#include <windows.h>

// Where the pointer is drawn in a picture: its top-left corner (the hotspot already taken off),
// its shape and the size DrawIcon covers.
struct PointerPlace {
  POINT at{};
  HCURSOR cursor = nullptr;
  SIZE size{};
  bool operator==(const PointerPlace& other) const {
    return at.x == other.at.x && at.y == other.at.y && cursor == other.cursor && size.cx == other.size.cx &&
           size.cy == other.size.cy;
  }
  RECT Rect() const { return {at.x, at.y, at.x + size.cx, at.y + size.cy}; }
};

class DrawnPointer {
public:
  explicit DrawnPointer(HDC compatibleWith);
  ~DrawnPointer();
  DrawnPointer(const DrawnPointer&) = delete;
  DrawnPointer& operator=(const DrawnPointer&) = delete;

  // The pointer's place now in a picture whose top-left corner is the screen point x, y.
  PointerPlace PlaceNow(int x, int y);
  // Draws the pointer at `place` into the picture selected in `dc`, which was just copied from
  // the screen, and keeps what it covers.
  void DrawOnNewPicture(HDC dc, const PointerPlace& place);
  // Puts back what the pointer covered in the picture selected in `dc` and draws it at `place`.
  void Move(HDC dc, const PointerPlace& place);
  // Puts back what the pointer covers in the picture selected in `dc`, or draws it there again
  // where it was drawn last; what the pointer stands on, and where, stays as it is.
  void Hide(HDC dc);
  void Show(HDC dc);
  // The place drawn last, and the one drawn before it into the same picture or the one before.
  const PointerPlace& Drawn() const { return drawn_; }
  const PointerPlace& DrawnBefore() const { return before_; }

private:
  void KeepUnder(HDC dc, const PointerPlace& place);

  MemoryDC under_;
  GdiObject<HBITMAP> underBitmap_;
  HGDIOBJ firstBitmap_ = nullptr;
  SIZE underSize_{};
  PointerPlace drawn_;
  PointerPlace before_;
  // The hotspot and drawn size of the last shape seen: GetIconInfo makes two bitmaps each call.
  HCURSOR shape_ = nullptr;
  POINT hotspot_{};
  SIZE shapeSize_{};
};
