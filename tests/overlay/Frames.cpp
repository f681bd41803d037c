#include "tests/overlay/Frames.h"

#include <uuids.h>

#include <algorithm>
#include <cstring>

namespace {
int Clamp(int v) { return std::min(255, std::max(0, v)); }
}  // namespace

FrameLayout MakeLayout(FramePixels pixels, int width, int height, bool bottomUp) {
  OwnedType type;
  FillType(type, pixels, width, height, bottomUp);
  FrameLayout layout;
  FrameLayoutOf(type.mt, &layout);
  return layout;
}

std::string Name(FramePixels pixels) {
  switch (pixels) {
    case FramePixels::Rgb24: return "RGB24";
    case FramePixels::Rgb32: return "RGB32";
    case FramePixels::Rgb555: return "RGB555";
    case FramePixels::Yuy2: return "YUY2";
  }
  return "?";
}

void FillType(OwnedType& type, FramePixels pixels, int width, int height, bool bottomUp) {
  type.mt = AM_MEDIA_TYPE{};
  type.vih = VIDEOINFOHEADER{};
  type.mt.majortype = MEDIATYPE_Video;
  type.mt.formattype = FORMAT_VideoInfo;
  type.mt.bFixedSizeSamples = TRUE;
  type.mt.cbFormat = sizeof(VIDEOINFOHEADER);
  type.mt.pbFormat = reinterpret_cast<BYTE*>(&type.vih);
  BITMAPINFOHEADER& bmi = type.vih.bmiHeader;
  bmi.biSize = sizeof(bmi);
  bmi.biWidth = width;
  bmi.biHeight = bottomUp ? height : -height;
  bmi.biPlanes = 1;
  switch (pixels) {
    case FramePixels::Rgb24: type.mt.subtype = MEDIASUBTYPE_RGB24; bmi.biBitCount = 24; break;
    case FramePixels::Rgb32: type.mt.subtype = MEDIASUBTYPE_RGB32; bmi.biBitCount = 32; break;
    case FramePixels::Rgb555: type.mt.subtype = MEDIASUBTYPE_RGB555; bmi.biBitCount = 16; break;
    case FramePixels::Yuy2:
      type.mt.subtype = MEDIASUBTYPE_YUY2;
      bmi.biBitCount = 16;
      bmi.biCompression = MAKEFOURCC('Y', 'U', 'Y', '2');
      bmi.biHeight = height;
      break;
  }
}

TestFrame::TestFrame(const FrameLayout& layout, Rgb bg, size_t shortBy)
    : layout_(layout), size_(layout.Bytes() - shortBy), bytes_(size_ + 2 * kGuard, kGuardByte) {
  std::memset(Data(), 0, size_);
  int bpp = layout.pixels == FramePixels::Rgb24 ? 3 : layout.pixels == FramePixels::Rgb32 ? 4 : 2;
  for (int y = 0; y < layout.height; ++y) {
    for (int x = 0; x < layout.width; ++x) {
      size_t o = Offset(x, y);
      if (o + bpp > size_) continue;
      BYTE* p = Data() + o;
      switch (layout.pixels) {
        case FramePixels::Rgb24: p[0] = bg.b; p[1] = bg.g; p[2] = bg.r; break;
        case FramePixels::Rgb32: p[0] = bg.b; p[1] = bg.g; p[2] = bg.r; p[3] = 0; break;
        case FramePixels::Rgb555: {
          int w = (bg.r >> 3) << 10 | (bg.g >> 3) << 5 | (bg.b >> 3);
          p[0] = static_cast<BYTE>(w & 0xFF);
          p[1] = static_cast<BYTE>(w >> 8);
          break;
        }
        case FramePixels::Yuy2:
          // Grey backgrounds only: U and V at 128.
          p[0] = static_cast<BYTE>(16 + bg.g * 219 / 255);
          p[1] = 128;
          break;
      }
    }
  }
  original_.assign(Data(), Data() + size_);
}

size_t TestFrame::Offset(int x, int y) const {
  int row = layout_.bottomUp ? layout_.height - 1 - y : y;
  int bpp = layout_.pixels == FramePixels::Rgb24 ? 3 : layout_.pixels == FramePixels::Rgb32 ? 4 : 2;
  return static_cast<size_t>(row) * layout_.stride + static_cast<size_t>(x) * bpp;
}

Rgb TestFrame::At(int x, int y) const {
  const BYTE* p = bytes_.data() + kGuard + Offset(x, y);
  switch (layout_.pixels) {
    case FramePixels::Rgb24:
    case FramePixels::Rgb32: return {p[2], p[1], p[0]};
    case FramePixels::Rgb555: {
      int w = p[0] | p[1] << 8;
      return {((w >> 10) & 31) * 255 / 31, ((w >> 5) & 31) * 255 / 31, (w & 31) * 255 / 31};
    }
    case FramePixels::Yuy2: {
      const BYTE* pair = bytes_.data() + kGuard + Offset(x & ~1, y);
      int c = p[0] - 16, d = pair[1] - 128, e = pair[3] - 128;
      return {Clamp((298 * c + 409 * e + 128) >> 8), Clamp((298 * c - 100 * d - 208 * e + 128) >> 8),
              Clamp((298 * c + 516 * d + 128) >> 8)};
    }
  }
  return {0, 0, 0};
}

int TestFrame::Luma(int x, int y) const {
  if (layout_.pixels == FramePixels::Yuy2) return (bytes_[kGuard + Offset(x, y)] - 16) * 255 / 219;
  Rgb c = At(x, y);
  return (299 * c.r + 587 * c.g + 114 * c.b) / 1000;
}

bool TestFrame::GuardsIntact() const {
  for (size_t i = 0; i < kGuard; ++i)
    if (bytes_[i] != kGuardByte || bytes_[kGuard + size_ + i] != kGuardByte) return false;
  return true;
}

bool TestFrame::ChangedBox(RECT* box) const {
  bool any = false;
  RECT r{layout_.width, layout_.height, -1, -1};
  int bpp = layout_.pixels == FramePixels::Rgb24 ? 3 : layout_.pixels == FramePixels::Rgb32 ? 4 : 2;
  for (int y = 0; y < layout_.height; ++y) {
    for (int x = 0; x < layout_.width; ++x) {
      size_t o = Offset(x, y);
      if (o + bpp > size_) continue;
      if (std::memcmp(bytes_.data() + kGuard + o, original_.data() + o, bpp) != 0) {
        any = true;
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
    }
  }
  if (box) *box = r;
  return any;
}

bool TestFrame::Unchanged() const { return std::memcmp(bytes_.data() + kGuard, original_.data(), size_) == 0; }
