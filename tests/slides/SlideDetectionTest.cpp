// Slides found in scripted screens, frame by frame as the capture takes them: a slide show with
// a pointer that never rests, a document typed into and scrolled, a film, a tooltip, a caret.
#include "tests/slides/ScriptedScreen.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
constexpr int kWidth = 640, kHeight = 480;
// The capture takes a frame every 20 ms on a changing screen: 4 positions.
constexpr uint32_t kStep = 4;
constexpr uint16_t kPaper = 0x7FFF, kInk = 0x0842;

// The pointer's place at frame `n` of a path that sweeps the screen and never rests.
void MovePointer(ScriptedScreen& screen, uint32_t n) {
  const double t = n * 0.05;
  screen.PointerAt(static_cast<int>(kWidth / 2 + 250 * std::cos(t)), static_cast<int>(kHeight / 2 + 200 * std::sin(1.3 * t)));
}

// A document: characters 8 x 14 typed in lines of 56, a caret after the last one, above a page
// of text that scrolling brings up from below.
class Document {
public:
  explicit Document(ScriptedScreen& screen) : screen_(screen) {
    screen_.Fill(0, 0, kWidth, kHeight, kPaper);
    for (int y = 200; y < kHeight; ++y) TextRow(y, y);
  }
  void Type() {
    Caret(false);
    screen_.Fill(10 + column_ * 10, 20 + line_ * 18, 8, 14, static_cast<uint16_t>(kInk + (count_++ % 7)));
    if (++column_ == 56) column_ = 0, line_ = (line_ + 1) % 24;
    Caret(true);
  }
  void Caret(bool shown) { screen_.Fill(10 + column_ * 10, 20 + line_ * 18, 2, 14, shown ? kInk : kPaper); }
  void Scroll(int pixels) {
    screen_.ScrollUp(0, 0, kWidth, kHeight, pixels, kPaper);
    scrolled_ += pixels;
    for (int y = kHeight - pixels; y < kHeight; ++y) TextRow(y, y + scrolled_);
  }

private:
  // Row `y` of the screen as row `page` of the text below: lines of characters with gaps.
  void TextRow(int y, int page) {
    if (page % 18 >= 14) return;
    for (int column = 0; column < 56; ++column)
      if ((page / 18 * 7 + column * 3) % 11 != 0) screen_.Fill(10 + column * 10, y, 8, 1, kInk);
  }

  int scrolled_ = 0;
  ScriptedScreen& screen_;
  int line_ = 0, column_ = 0, count_ = 0;
};

void ExpectNear(uint32_t found, uint32_t expected, uint32_t tolerance, const char* what) {
  EXPECT_LE(found, expected + tolerance) << what;
  EXPECT_GE(found + tolerance, expected) << what;
}
}  // namespace

TEST(SlideDetection, TenSlidesWithThePointerMovingAllTheTimeAppearWhenTheyChanged) {
  ScriptedScreen screen(kWidth, kHeight);
  // Slide k goes up at 7 s * k + 1 s * (k % 3), so the spacing is not regular.
  std::vector<uint32_t> shown;
  for (int k = 0; k < 10; ++k) shown.push_back(k == 0 ? 0 : 1400 * k + 200 * (k % 3));
  size_t next = 0;
  for (uint32_t n = 0, position = 0; position <= shown.back() + 600; ++n, position += kStep) {
    if (next < shown.size() && position == shown[next]) screen.DrawSlide(static_cast<int>(next++));
    MovePointer(screen, n);
    screen.Take(position);
  }
  ASSERT_EQ(screen.Slides().size(), shown.size());
  for (size_t k = 0; k < shown.size(); ++k) ExpectNear(screen.Slides()[k], shown[k], kStep, "slide");
}

TEST(SlideDetection, ATypedAndScrolledDocumentGivesOneSlidePerPauseOfTwoSeconds) {
  ScriptedScreen screen(kWidth, kHeight);
  Document document(screen);
  screen.PointerAt(600, 400);
  // What happens from each position on: typing 8 characters a second, scrolling 2 pixels a
  // frame, scrolling 1 pixel every 100 ms, or a pause with the caret blinking.
  enum Doing { Typing, Scrolling, SlowScrolling, Pausing };
  const struct {
    uint32_t from;
    Doing doing;
  } script[] = {{0, Typing},     {1600, Pausing},       {2200, Scrolling}, {2800, Pausing}, {3400, Typing},
                {5000, Pausing}, {5300, Typing},        {6800, Pausing},   {7400, SlowScrolling},
                {9000, Pausing}, {9600, Typing},        {12000, Pausing}};
  size_t part = 0;
  for (uint32_t position = 0; position < 12000; position += kStep) {
    while (part + 1 < std::size(script) && script[part + 1].from <= position) ++part;
    switch (script[part].doing) {
      case Typing:
        if (position % 25 < kStep) document.Type();
        break;
      case Scrolling:
        document.Scroll(2);
        break;
      case SlowScrolling:
        if (position % 20 == 0) document.Scroll(1);
        break;
      case Pausing:
        if (position % 100 == 0) document.Caret((position / 100) % 2 == 0);
        break;
    }
    screen.Take(position);
  }
  // The first picture, then the pauses of 3 s: after typing (the document as typed, appeared at
  // most a second and a half before the pause) and after scrolling (appeared as it stopped). The
  // pause of 1.5 s at 5000 gives none, and nothing while typing or scrolling.
  ASSERT_EQ(screen.Slides().size(), 5u);
  EXPECT_EQ(screen.Slides()[0], 0u);
  EXPECT_LE(screen.Slides()[1], 1600u);
  EXPECT_GE(screen.Slides()[1], 1300u);
  ExpectNear(screen.Slides()[2], 2800, kStep, "after the scrolling");
  EXPECT_LE(screen.Slides()[3], 6800u);
  EXPECT_GE(screen.Slides()[3], 6500u);
  ExpectNear(screen.Slides()[4], 9000, 20, "after the slow scrolling");
}

TEST(SlideDetection, AFilmMakesNoSlideWhileItPlaysAndOneWhenItStops) {
  ScriptedScreen screen(kWidth, kHeight);
  screen.DrawSlide(3);
  uint32_t seed = 1;
  for (uint32_t n = 0, position = 0; position < 12600; ++n, position += kStep) {
    // 25 pictures a second in a 200 x 150 window, for 60 s.
    if (position >= 200 && position < 12000 && position % 8 == 0) {
      for (int y = 0; y < 150; y += 10)
        for (int x = 0; x < 200; x += 10) {
          seed = seed * 1103515245 + 12345;
          screen.Fill(300 + x, 200 + y, 10, 10, static_cast<uint16_t>((seed >> 16) & 0x7FFF));
        }
    }
    MovePointer(screen, n);
    screen.Take(position);
  }
  ASSERT_EQ(screen.Slides().size(), 2u);
  EXPECT_EQ(screen.Slides()[0], 0u);
  ExpectNear(screen.Slides()[1], 11992, 2 * kStep, "the film's last picture");
}

TEST(SlideDetection, ATooltipOfTwoPercentMakesNoSlideAndABoxOfFourPercentDoes) {
  ScriptedScreen screen(kWidth, kHeight);
  screen.DrawSlide(5);
  uint32_t position = 0;
  auto runFor = [&](uint32_t positions) {
    for (uint32_t end = position + positions; position < end; position += kStep) {
      MovePointer(screen, position / kStep);
      screen.Take(position);
    }
  };
  runFor(600);
  // 96 x 64 pixels: 24 x 16 blocks, 2 % of the screen's 19200, staying up for 3 s.
  screen.Fill(200, 100, 96, 64, 0x7FE0);
  runFor(600);
  EXPECT_EQ(screen.Slides().size(), 1u);
  // 128 x 96 pixels: 32 x 24 blocks, 4 %.
  screen.Fill(400, 300, 128, 96, 0x001F);
  const uint32_t boxAt = position;
  runFor(600);
  ASSERT_EQ(screen.Slides().size(), 2u);
  EXPECT_EQ(screen.Slides()[1], boxAt);
}

TEST(SlideDetection, ABlinkingCaretOnAStillSlideMakesNoSlide) {
  ScriptedScreen screen(kWidth, kHeight);
  screen.DrawSlide(8);
  for (uint32_t position = 0; position < 6000; position += kStep) {
    if (position % 100 == 0) screen.Fill(300, 240, 2, 16, (position / 100) % 2 ? 0x0000 : 0x7FFF);
    // The pointer rests now and then, as a hand on a mouse does.
    if (position % 800 < 400) MovePointer(screen, position / kStep);
    screen.Take(position);
  }
  EXPECT_EQ(screen.Slides(), std::vector<uint32_t>{0});
}
