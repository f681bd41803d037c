// Where the pixels of an uncompressed video frame lie in its buffer.
#pragma once
// The C++ string headers come before dshow.h, whose strsafe.h renames the wide printf functions.
#include <string>
#include <vector>

#include <windows.h>
#include <dshow.h>

#include <cstddef>

enum class FramePixels { Rgb24, Rgb32, Rgb555, Yuy2 };

struct FrameLayout {
  FramePixels pixels = FramePixels::Rgb24;
  int width = 0;
  int height = 0;
  int stride = 0;         // bytes from one row to the next
  bool bottomUp = false;  // RGB with a positive height stores the bottom row first
  size_t Bytes() const { return static_cast<size_t>(stride) * height; }
};

// The layout of a video media type the title can be drawn on (RGB24, RGB32, RGB555, YUY2 with a
// VIDEOINFOHEADER); false for any other type or a malformed format block.
bool FrameLayoutOf(const AM_MEDIA_TYPE& mt, FrameLayout* layout);
