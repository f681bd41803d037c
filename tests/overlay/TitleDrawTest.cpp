// The title drawn into frames of each pixel format: where its pixels go, in which colour, clipped
// at the picture's edges and never outside the buffer; a scrolling title's step per frame.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "overlay/TitleOverlayFilter.h"
#include "tests/overlay/Frames.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
const Rgb kGrey{128, 128, 128};

struct Case {
  FramePixels pixels;
  bool bottomUp;
};
const Case kCases[] = {{FramePixels::Rgb24, true},  {FramePixels::Rgb24, false}, {FramePixels::Rgb32, true},
                       {FramePixels::Rgb32, false}, {FramePixels::Rgb555, true}, {FramePixels::Yuy2, false}};

std::string Describe(const Case& c) { return Name(c.pixels) + (c.bottomUp ? " bottom-up" : " top-down"); }

class TitleDrawTest : public testing::Test {
protected:
  TitleDrawTest() : filter(new TitleOverlayFilter()) {
    LOGFONTA font{};
    filter->GetTitleFont(&font);
    font.lfHeight = 24;
    filter->SetTitleFont(font);
    SetText("Lumora");
  }
  ~TitleDrawTest() override { static_cast<IBaseFilter*>(filter)->Release(); }
  void SetText(const std::string& text) { filter->SetTitleText(text.c_str(), static_cast<int>(text.size())); }
  // Draws into a fresh grey frame and gives the box of changed pixels (false when none changed).
  bool Draw(TestFrame& frame, RECT* box) {
    filter->DrawFrame(frame.Data(), frame.Size(), frame.Layout());
    EXPECT_TRUE(frame.GuardsIntact());
    return frame.ChangedBox(box);
  }
  TitleOverlayFilter* filter;
};

TEST_F(TitleDrawTest, TitleStartsAtItsPositionInEveryFormat) {
  // The four start positions of the position names, in this picture.
  const POINT starts[] = {{10, 10}, {10, kHeight - 100}, {kWidth - 100, 100}, {kWidth - 100, kHeight - 100}};
  for (const Case& c : kCases) {
    for (POINT start : starts) {
      SCOPED_TRACE(Describe(c) + " at " + std::to_string(start.x) + "," + std::to_string(start.y));
      filter->SetTitleStartPosition(start.x, start.y);
      TestFrame frame(MakeLayout(c.pixels, kWidth, kHeight, c.bottomUp), kGrey);
      RECT box;
      ASSERT_TRUE(Draw(frame, &box));
      // The outline reaches one pixel up and left of the start; glyphs begin within a few pixels.
      EXPECT_GE(box.left, start.x - 1);
      EXPECT_LE(box.left, start.x + 6);
      EXPECT_GE(box.top, start.y - 1);
      EXPECT_LE(box.top, start.y + 12);
      EXPECT_LE(box.bottom - box.top, 30) << "one line of a 24-pixel font";
      EXPECT_GE(box.right - box.left, 40) << "six letters wide";
      // Nothing changed above or left of the start, whatever the row order of the format.
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
          if (x < start.x - 1 || y < start.y - 1) {
            Rgb p = frame.At(x, y);
            ASSERT_TRUE(std::abs(p.r - kGrey.r) < 8 && std::abs(p.g - kGrey.g) < 8) << x << "," << y;
          }
    }
  }
}

TEST_F(TitleDrawTest, TextInItsColourWithAContrastingOutline) {
  struct Colour {
    BYTE r, g, b;
    int outlineLuma;  // the outline reads against the text
  };
  const Colour colours[] = {{255, 255, 255, 0}, {255, 0, 0, 0}, {0, 0, 255, 255}, {0, 255, 0, 0}, {0, 0, 0, 255}};
  for (const Case& c : kCases) {
    for (const Colour& colour : colours) {
      SCOPED_TRACE(Describe(c) + " colour " + std::to_string(colour.r) + "," + std::to_string(colour.g) + "," +
                   std::to_string(colour.b));
      filter->SetTitleColor(colour.r, colour.g, colour.b);
      TestFrame frame(MakeLayout(c.pixels, kWidth, kHeight, c.bottomUp), kGrey);
      RECT box;
      ASSERT_TRUE(Draw(frame, &box));
      int textPixels = 0, outlinePixels = 0;
      for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
          Rgb p = frame.At(x, y);
          // YUY2 shares colour between pixel pairs, so its test is looser.
          int tolerance = c.pixels == FramePixels::Yuy2 ? 60 : 10;
          if (std::abs(p.r - colour.r) <= tolerance && std::abs(p.g - colour.g) <= tolerance &&
              std::abs(p.b - colour.b) <= tolerance)
            ++textPixels;
          if (std::abs(frame.Luma(x, y) - colour.outlineLuma) <= 10) ++outlinePixels;
        }
      }
      EXPECT_GE(textPixels, 40);
      EXPECT_GE(outlinePixels, 40);
    }
  }
}

TEST_F(TitleDrawTest, ClippedAtThePicturesEdges) {
  SetText(std::string(120, 'W'));  // far wider than the picture
  for (const Case& c : kCases) {
    SCOPED_TRACE(Describe(c));
    filter->SetTitleStartPosition(10, kHeight - 15);  // cut at the right and at the bottom
    TestFrame frame(MakeLayout(c.pixels, kWidth, kHeight, c.bottomUp), kGrey);
    RECT box;
    ASSERT_TRUE(Draw(frame, &box));
    EXPECT_EQ(box.right, kWidth);
    EXPECT_EQ(box.bottom, kHeight);
    // Starts above and left of the picture: what remains is drawn from the corner.
    filter->SetTitleStartPosition(-30, -10);
    TestFrame corner(MakeLayout(c.pixels, kWidth, kHeight, c.bottomUp), kGrey);
    ASSERT_TRUE(Draw(corner, &box));
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
  }
}

TEST_F(TitleDrawTest, PositionsOutsideThePictureDrawNothing) {
  const POINT outside[] = {{kWidth + 1, 10}, {10, kHeight + 1}, {-5000, 10}, {10, -200},
                           {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN}, {INT_MAX, 10}, {10, INT_MIN}};
  for (const Case& c : kCases) {
    for (POINT p : outside) {
      SCOPED_TRACE(Describe(c) + " at " + std::to_string(p.x) + "," + std::to_string(p.y));
      filter->SetTitleStartPosition(p.x, p.y);
      TestFrame frame(MakeLayout(c.pixels, kWidth, kHeight, c.bottomUp), kGrey);
      filter->DrawFrame(frame.Data(), frame.Size(), frame.Layout());
      EXPECT_TRUE(frame.GuardsIntact());
      EXPECT_TRUE(frame.Unchanged());
    }
  }
}

TEST_F(TitleDrawTest, ShortBufferAndEmptyTextLeaveTheFrame) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(Describe(c));
    // A sample shorter than its type promises is passed on untouched.
    TestFrame frame(MakeLayout(c.pixels, kWidth, kHeight, c.bottomUp), kGrey, 1);
    filter->DrawFrame(frame.Data(), frame.Size(), frame.Layout());
    EXPECT_TRUE(frame.GuardsIntact());
    EXPECT_TRUE(frame.Unchanged());
  }
  SetText("");
  TestFrame frame(MakeLayout(FramePixels::Rgb24, kWidth, kHeight, true), kGrey);
  filter->DrawFrame(frame.Data(), frame.Size(), frame.Layout());
  EXPECT_TRUE(frame.Unchanged());
}

TEST_F(TitleDrawTest, ChineseTextIsDrawn) {
  SetText("\xCA\xFD\xD1\xA7\xBF\xCE");  // 数学课 in GBK
  TestFrame frame(MakeLayout(FramePixels::Rgb24, kWidth, kHeight, true), kGrey);
  RECT box;
  ASSERT_TRUE(Draw(frame, &box));
  EXPECT_GE(box.right - box.left, 3 * 18) << "three full-width characters";
}

TEST_F(TitleDrawTest, ScrollingMovesLeftByTheStepAndStartsAgain) {
  ASSERT_EQ(filter->SetTitleType(kTitleScrolling), S_OK);
  ASSERT_EQ(filter->SetScrollStep(6), S_OK);
  filter->SetTitleStartPosition(10, 50);
  int previousLeft = INT_MAX;
  int steps = 0;
  bool restarted = false;
  for (int n = 0; n < 400 && !restarted; ++n) {
    TestFrame frame(MakeLayout(FramePixels::Rgb32, kWidth, kHeight, true), kGrey);
    RECT box;
    if (!Draw(frame, &box)) continue;  // entering or just gone: nothing in the picture
    EXPECT_GE(box.top, 49);
    EXPECT_LE(box.top, 62) << "stays on the start position's line";
    if (previousLeft != INT_MAX && box.left > previousLeft) {
      // Gone at the left: it starts again at the right edge.
      EXPECT_GE(box.left, kWidth - 8) << "frame " << n;
      restarted = true;
    } else if (previousLeft != INT_MAX && box.left > 0 && previousLeft < kWidth - 8) {
      // While its left end is in the picture, it moves by exactly the step.
      EXPECT_EQ(previousLeft - box.left, 6) << "frame " << n;
      ++steps;
    }
    previousLeft = box.left;
  }
  EXPECT_GE(steps, 30);
  EXPECT_TRUE(restarted);
}

}  // namespace
