#include "testbed/camera/TestPattern.h"

#include <cstdio>

#include "testbed/RgbConversion.h"

namespace testbed {
namespace {

const COLORREF kBars[] = {RGB(192, 192, 192), RGB(192, 192, 0), RGB(0, 192, 192), RGB(0, 192, 0),
                          RGB(192, 0, 192),   RGB(192, 0, 0),   RGB(0, 0, 192)};
constexpr int kBarCount = sizeof(kBars) / sizeof(kBars[0]);
// The block crosses the picture in this many frames.
constexpr int kSweepFrames = 60;

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  RECT r{left, top, right, bottom};
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

}  // namespace

TestPattern::TestPattern(int width, int height, std::wstring cameraName, bool mirrored)
    : width_(width), height_(height), name_(std::move(cameraName)), mirrored_(mirrored), dc_(nullptr) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = height;  // bottom-up, as DirectShow's RGB frames
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.Reset(CreateDIBSection(dc_.Get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  pixels_ = static_cast<uint8_t*>(bits);
  font_.Reset(CreateFontW(-height / 20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                          DEFAULT_PITCH, L"Tahoma"));
}

int TestPattern::BlockLeft(uint32_t frameIndex, int width) {
  int block = width / 8;
  return static_cast<int>((frameIndex % kSweepFrames) * (width - block) / (kSweepFrames - 1));
}

bool TestPattern::Render(uint32_t frameIndex, uint32_t cameraFrame, int64_t streamTime, int bitCount,
                         uint8_t* out) {
  if (!pixels_ || !dc_.Get()) return false;
  HDC dc = dc_.Get();
  SelectGuard bitmap(dc, bitmap_.Get());
  SelectGuard font(dc, font_.Get());

  int barsBottom = height_ * 2 / 3;
  for (int i = 0; i < kBarCount; ++i) {
    int bar = mirrored_ ? kBarCount - 1 - i : i;
    Fill(dc, i * width_ / kBarCount, 0, (i + 1) * width_ / kBarCount, barsBottom, kBars[bar]);
  }
  Fill(dc, 0, barsBottom, width_, height_, RGB(16, 16, 16));
  int left = BlockLeft(frameIndex, width_);
  Fill(dc, left, barsBottom + height_ / 24, left + width_ / 8, height_ - height_ / 24,
       RGB(255, 255, 255));

  int64_t ms = streamTime / 10000;
  wchar_t caption[160];
  swprintf(caption, 160, L"%ls  #%06u  %02d:%02d:%02d.%03d", name_.c_str(), cameraFrame,
           static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
           static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(0, 0, 0));
  SetTextColor(dc, RGB(255, 255, 255));
  RECT text{0, barsBottom - height_ / 8, width_, barsBottom};
  DrawTextW(dc, caption, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  GdiFlush();
  return ConvertRgb(pixels_, 32, out, bitCount, width_, height_);
}

}  // namespace testbed
