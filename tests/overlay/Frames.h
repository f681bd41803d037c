// Frames in memory for the overlay tests: a buffer with guard bytes on both sides, pixels read
// back by picture coordinates (top-left origin) in each format.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "overlay/FrameLayout.h"

struct Rgb {
  int r, g, b;
};

class TestFrame {
public:
  // A frame of the layout filled with `background`; `shortBy` bytes fewer than the layout needs.
  TestFrame(const FrameLayout& layout, Rgb background, size_t shortBy = 0);
  BYTE* Data() { return bytes_.data() + kGuard; }
  size_t Size() const { return size_; }
  const FrameLayout& Layout() const { return layout_; }
  // The pixel at column x, row y counted from the picture's top; YUY2 is turned back into RGB.
  Rgb At(int x, int y) const;
  // Luma of a pixel (YUY2: its own Y byte, others computed), for formats with shared chroma.
  int Luma(int x, int y) const;
  bool GuardsIntact() const;
  // The box of pixels that differ from the background; false when none do.
  bool ChangedBox(RECT* box) const;
  bool Unchanged() const;

private:
  static constexpr size_t kGuard = 256;
  static constexpr BYTE kGuardByte = 0xA5;
  size_t Offset(int x, int y) const;
  FrameLayout layout_;
  size_t size_;
  std::vector<BYTE> bytes_;
  std::vector<BYTE> original_;
};

FrameLayout MakeLayout(FramePixels pixels, int width, int height, bool bottomUp);
std::string Name(FramePixels pixels);
// The media type of a layout, as a camera would offer it.
struct OwnedType {
  AM_MEDIA_TYPE mt{};
  VIDEOINFOHEADER vih{};
};
void FillType(OwnedType& type, FramePixels pixels, int width, int height, bool bottomUp);
