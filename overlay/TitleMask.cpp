#include "overlay/TitleMask.h"

#include "framework/Handles.h"

#include <algorithm>
#include <cstring>

namespace {
// A 32-bit top-down DIB section, white text drawn on black.
struct TextBitmap {
  GdiObject<HBITMAP> bitmap;
  const DWORD* pixels = nullptr;
};

TextBitmap MakeTextBitmap(HDC dc, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  TextBitmap result;
  result.bitmap.Reset(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (result.bitmap && bits) {
    std::memset(bits, 0, static_cast<size_t>(width) * height * 4);
    result.pixels = static_cast<const DWORD*>(bits);
  }
  return result;
}

// The brightest channel: glyph smoothing may colour the edges, the coverage is the same.
BYTE Coverage(DWORD pixel) {
  BYTE r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
  return std::max(r, std::max(g, b));
}
}  // namespace

TitleMask RenderTitleMask(const std::string& text, const LOGFONTA& font) {
  TitleMask mask;
  if (text.empty()) return mask;
  MemoryDC dc(nullptr);
  GdiObject<HFONT> hfont(CreateFontIndirectA(&font));
  if (!dc.Get() || !hfont) return mask;
  HGDIOBJ oldFont = SelectObject(dc.Get(), hfont.Get());
  SIZE extent{};
  int length = static_cast<int>(text.size());
  if (GetTextExtentPoint32A(dc.Get(), text.c_str(), length, &extent) && extent.cx > 0 && extent.cy > 0) {
    int width = std::min(static_cast<int>(extent.cx) + 2, kMaxTitleMaskWidth);
    int height = std::min(static_cast<int>(extent.cy) + 2, kMaxTitleMaskHeight);
    TextBitmap bitmap = MakeTextBitmap(dc.Get(), width, height);
    if (bitmap.pixels) {
      HGDIOBJ oldBitmap = SelectObject(dc.Get(), bitmap.bitmap.Get());
      SetBkMode(dc.Get(), TRANSPARENT);
      SetTextColor(dc.Get(), RGB(255, 255, 255));
      TextOutA(dc.Get(), 1, 1, text.c_str(), length);
      GdiFlush();
      size_t count = static_cast<size_t>(width) * height;
      mask.width = width;
      mask.height = height;
      mask.text.resize(count);
      mask.outline.assign(count, 0);
      for (size_t i = 0; i < count; ++i) mask.text[i] = Coverage(bitmap.pixels[i]);
      // The outline covers every pixel next to a glyph pixel (eight neighbours).
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          BYTE strongest = 0;
          for (int dy = -1; dy <= 1; ++dy) {
            int ny = y + dy;
            if (ny < 0 || ny >= height) continue;
            for (int dx = -1; dx <= 1; ++dx) {
              int nx = x + dx;
              if (nx < 0 || nx >= width) continue;
              strongest = std::max(strongest, mask.text[static_cast<size_t>(ny) * width + nx]);
            }
          }
          mask.outline[static_cast<size_t>(y) * width + x] = strongest;
        }
      }
      SelectObject(dc.Get(), oldBitmap);
    }
  }
  SelectObject(dc.Get(), oldFont);
  return mask;
}
