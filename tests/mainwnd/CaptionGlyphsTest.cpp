// The caption buttons that Wine draws for the program's windows come from the symbol font of
// the test prefix: a cross for close and a low bar for minimise, not letters of a fallback font.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace {
constexpr int kSize = 48;

// Dark pixels of a caption button drawn by the system at kSize x kSize.
class DrawnButton {
public:
  explicit DrawnButton(UINT state) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kSize;
    info.bmiHeader.biHeight = -kSize;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT rect{0, 0, kSize, kSize};
    drawn_ = DrawFrameControl(dc, &rect, DFC_CAPTION, state) != FALSE;
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    dark_.assign(pixels, pixels + kSize * kSize);
    for (DWORD& p : dark_) p = ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) < 3 * 64;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  bool Drawn() const { return drawn_; }
  // Dark pixels inside [x0, x1) x [y0, y1), leaving out the button's 3D border.
  int Dark(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += dark_[y * kSize + x] != 0;
    return n;
  }

private:
  bool drawn_ = false;
  std::vector<DWORD> dark_;
};

constexpr int kIn = 4, kMid = kSize / 2, kOut = kSize - 4;
}  // namespace

TEST(CaptionGlyphs, TheSymbolFontIsInstalled) {
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontA(-20, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SYMBOL_CHARSET, 0, 0, 0, 0, "Marlett");
  HGDIOBJ old = SelectObject(dc, font);
  char face[LF_FACESIZE] = {};
  GetTextFaceA(dc, LF_FACESIZE, face);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  EXPECT_STREQ(face, "Marlett") << "the prefix lacks Wine's Marlett font (scripts/env.sh)";
}

TEST(CaptionGlyphs, CloseIsACrossAndMinimiseALowBar) {
  DrawnButton close(DFCS_CAPTIONCLOSE);
  ASSERT_TRUE(close.Drawn());
  // A cross darkens all four quarters alike; the letter "r" leaves its lower right empty.
  int quarters[4] = {close.Dark(kIn, kIn, kMid, kMid), close.Dark(kMid, kIn, kOut, kMid),
                     close.Dark(kIn, kMid, kMid, kOut), close.Dark(kMid, kMid, kOut, kOut)};
  int total = quarters[0] + quarters[1] + quarters[2] + quarters[3];
  ASSERT_GT(total, 0) << "nothing drawn on the close button";
  for (int q : quarters) EXPECT_GE(q * 8, total) << "quarters " << quarters[0] << " " << quarters[1]
                                                 << " " << quarters[2] << " " << quarters[3];

  DrawnButton minimise(DFCS_CAPTIONMIN);
  ASSERT_TRUE(minimise.Drawn());
  // The minimise symbol is a bar in the lower part; the digit "0" reaches the top half.
  int upper = minimise.Dark(kIn, kIn, kOut, kMid);
  int lower = minimise.Dark(kIn, kMid, kOut, kOut);
  EXPECT_GT(lower, 0);
  EXPECT_EQ(upper, 0) << "lower half " << lower;
}
