// The data-rate budget on scripted picture sequences: a film held to the budget, slides and
// typing written exactly as without a budget, the return to the capture's quality after a film,
// and no budget at all. The pictures go through the recorder's own AVI writer and compressor as
// the frame loop hands them on. check_budget_roundtrip.sh runs "ScreenBudget.FilmThenSlide*"
// with LUMORA_BUDGET_OUT set and decodes what it leaves there with ffmpeg.
#include "recorder/AviCapture.h"
#include "recorder/FrameCost.h"
#include "recorder/PartLimit.h"
#include "recorder/RecorderState.h"
#include "recorder/ScreenBudget.h"
#include "recorder/ScreenBudgetSetting.h"
#include "tests/codec/TestFrames.h"
#include "tests/recorder/RecordingFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {
constexpr int kWidth = 256, kHeight = 192;
constexpr DWORD kFrameMs = 40;  // 25 pictures a second

struct Taken {
  DWORD ms = 0;
  bool written = false;
  DWORD quality = 0;
  uint32_t bytes = 0;
  bool keyFrame = false;
};

using Pictures = std::function<TestFrame(int number)>;

// A packed DIB of the picture: header, then bottom-up rows.
std::vector<uint8_t> PackedDib(const TestFrame& picture) {
  const std::vector<uint8_t> rows = ToDib(picture);
  std::vector<uint8_t> block(sizeof(BITMAPINFOHEADER) + rows.size());
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = picture.width;
  header->biHeight = picture.height;
  header->biPlanes = 1;
  header->biBitCount = 16;
  header->biCompression = BI_RGB;
  header->biSizeImage = DWORD(rows.size());
  std::copy(rows.begin(), rows.end(), block.begin() + sizeof(BITMAPINFOHEADER));
  return block;
}

// Writes `count` pictures, one every kFrameMs of the recording's clock, into `path` the way the
// frame loop writes the screen's frames: each admitted by a budget of `mbPerMinute` (0: none) or
// left out, at the budget's quality, at the position of its time. `raw`, when given, receives
// the written pictures top row first (ffmpeg's rgb555le) for a comparison with the decoded file.
std::vector<Taken> Record(const std::string& path, int mbPerMinute, int count, const Pictures& pictures,
                          FILE* raw = nullptr) {
  std::vector<Taken> taken;
  AviCapture avi;
  const FrameCompression compression = mbPerMinute > 0 ? FrameCompression::PerFrame : FrameCompression::Stream;
  if (avi.Open(path, {0, 0, kWidth - 1, kHeight - 1}, 200, compression) != AviSetUp::Ready) {
    ADD_FAILURE() << "cannot open " << path;
    return taken;
  }
  ScreenBudget budget(PictureBudget(mbPerMinute, kWidth, kHeight, 200));
  for (int i = 0; i < count; ++i) {
    Taken frame;
    frame.ms = DWORD(i) * kFrameMs;
    const TestFrame picture = pictures(i);
    if (budget.Admits(frame.ms)) {
      std::vector<uint8_t> dib = PackedDib(picture);
      FrameCost cost;
      cost.quality = budget.Quality();
      if (avi.WriteFrame(reinterpret_cast<BITMAPINFOHEADER*>(dib.data()), frame.ms / 5, &cost) != 0) {
        ADD_FAILURE() << "frame " << i << " not written";
        break;
      }
      budget.Written(cost.bytes, cost.keyFrame);
      frame.written = true;
      frame.quality = cost.quality;
      frame.bytes = cost.bytes;
      frame.keyFrame = cost.keyFrame;
      if (raw) fwrite(picture.pixels.data(), 2, picture.pixels.size(), raw);
    }
    taken.push_back(frame);
  }
  avi.FreeOptions();
  avi.Close();
  return taken;
}

// A film: a photo-like picture panned and rippling, every pixel changing.
TestFrame Film(int number) { return NaturalPicture(kWidth, kHeight, number); }

// A slide on which a line is typed, a glyph every fifth picture, while the pointer crosses it.
TestFrame TypedSlide(int number) {
  TestFrame frame = SlidePicture(kWidth, kHeight);
  const int glyphs = (number / 5) % 28;
  for (int g = 0; g < glyphs; ++g)
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 6; ++x)
        if ((x + y + g) % 3) frame.At(12 + 8 * g + x, kHeight - 20 + y) = 0;
  DrawPointer(frame, (number * 7) % kWidth, 40 + (number * 3) % 100);
  return frame;
}

// What the recording's file holds for the time from `from` to `to`: the pictures written, and a
// chunk and an index entry for every 5 ms position.
uint64_t FileBytesBetween(const std::vector<Taken>& taken, DWORD from, DWORD to) {
  uint64_t bytes = 0;
  for (const Taken& t : taken)
    if (t.written && t.ms >= from && t.ms < to) bytes += t.bytes + (t.bytes & 1);
  return bytes + (to - from) / 5 * FrameFileBytes(0, 1);
}

size_t Written(const std::vector<Taken>& taken) {
  size_t n = 0;
  for (const Taken& t : taken) n += t.written;
  return n;
}

// The folder a script keeps files in (LUMORA_BUDGET_OUT), or the test's own.
std::string OutputFolder(const TempDir& dir) {
  const char* out = std::getenv("LUMORA_BUDGET_OUT");
  return out && *out ? std::string(out) : dir.Path();
}
}  // namespace

TEST(ScreenBudgetSetting, MissingOrMistypedValuesGiveTheDefaultAndZeroSwitchesItOff) {
  TempDir dir;
  const std::string ini = dir / "Setup.ini";
  EXPECT_EQ(ReadScreenBudgetMBPerMinute(ini), 120);
  const struct {
    const char* text;
    int value;
  } cases[] = {{"60", 60}, {"0", 0}, {"500", 500}, {"", 120}, {"abc", 120}, {"-5", 120}, {"12x", 120},
               {"99999999999", 120}};
  for (const auto& c : cases) {
    ASSERT_TRUE(WritePrivateProfileStringA("Setup", "ScreenBudgetMBPerMinute", c.text, ini.c_str()));
    EXPECT_EQ(ReadScreenBudgetMBPerMinute(ini), c.value) << "'" << c.text << "'";
  }
  // Megabytes of 2^20 bytes a minute at 1920 x 1080, scaled by pixel count.
  EXPECT_DOUBLE_EQ(ScreenBudgetBytesPerSecond(120, 1920, 1080), 120.0 * 1048576 / 60);
  EXPECT_DOUBLE_EQ(ScreenBudgetBytesPerSecond(120, 960, 540), 120.0 * 1048576 / 60 / 4);
  EXPECT_EQ(ScreenBudgetBytesPerSecond(0, 1920, 1080), 0.0);
}

TEST(ScreenBudgetSetting, ABudgetCompressesFrameByFrameAndNoneKeepsTheLibrarysStream) {
  RecorderState state;
  EXPECT_EQ(CaptureCompression(state), FrameCompression::Stream);
  state.screenBudgetMBPerMinute = 120;
  EXPECT_EQ(CaptureCompression(state), FrameCompression::PerFrame);
  state.ownCompressor = true;
  EXPECT_EQ(CaptureCompression(state), FrameCompression::OwnDriver);
}

TEST(ScreenBudget, AChangingSequenceStaysWithinTheBudgetOverTenSecondWindowsAndEveryMinute) {
  TempDir dir;
  // 70 s of film.
  const std::vector<Taken> taken = Record(dir / "film.avi", 120, 1750, Film);
  const double rate = ScreenBudgetBytesPerSecond(120, kWidth, kHeight);
  for (DWORD from = 0; from < 70000; from += 10000) {
    const double spent = double(FileBytesBetween(taken, from, from + 10000));
    EXPECT_GE(spent, rate * 10 * 0.9) << "from " << from / 1000 << " s";
    EXPECT_LE(spent, rate * 10 * 1.1) << "from " << from / 1000 << " s";
  }
  // The budget is a number of megabytes a minute: no minute costs more, the first one (which
  // begins with the credit full) included.
  for (DWORD from = 0; from + 60000 <= 70000; from += 1000)
    EXPECT_LE(double(FileBytesBetween(taken, from, from + 60000)), rate * 60) << "from " << from / 1000 << " s";
  // Without the budget the film costs several times as much: the budget had work to do, with
  // both of its means.
  bool lowered = false;
  for (const Taken& t : taken) lowered |= t.written && t.quality < 8000;
  EXPECT_TRUE(lowered);
  EXPECT_LT(Written(taken), taken.size());
  EXPECT_EQ(PictureFrames(dir / "film.avi"), Written(taken));
}

TEST(ScreenBudget, ASlideWithTypingGivesTheSameBytesAsWithoutABudget) {
  TempDir dir;
  const std::vector<Taken> budgeted = Record(dir / "budget.avi", 120, 500, TypedSlide);
  const std::vector<Taken> plain = Record(dir / "plain.avi", 0, 500, TypedSlide);
  EXPECT_EQ(Written(budgeted), 500u);
  for (const Taken& t : budgeted) EXPECT_EQ(t.quality, 8000u) << "at " << t.ms;
  const std::string a = ReadFileBytes(dir / "budget.avi"), b = ReadFileBytes(dir / "plain.avi");
  ASSERT_FALSE(a.empty());
  EXPECT_EQ(a.size(), b.size());
  EXPECT_TRUE(a == b) << "the files differ";
}

TEST(ScreenBudget, FilmThenSlideReturnsToTheCapturesQualityWithinTwoSeconds) {
  TempDir dir;
  const std::string folder = OutputFolder(dir);
  // The written pictures, for the script's comparison with the decoded file.
  FILE* raw = folder != dir.Path() ? fopen((folder + "\\film-slide.raw").c_str(), "wb") : nullptr;
  // 15 s of film, then 10 s of the slide.
  constexpr int kFilmFrames = 375;
  const std::vector<Taken> taken = Record(folder + "\\film-slide.avi", 120, 625, [](int number) {
    return number < kFilmFrames ? Film(number) : TypedSlide(number);
  }, raw);
  if (raw) fclose(raw);
  const DWORD slideFrom = kFilmFrames * kFrameMs;
  bool lowered = false;
  for (const Taken& t : taken) {
    if (t.ms < slideFrom) {
      lowered |= t.written && t.quality < 8000;
    } else if (t.ms >= slideFrom + 2000) {
      EXPECT_TRUE(t.written) << "at " << t.ms;
      EXPECT_EQ(t.quality, 8000u) << "at " << t.ms;
    }
  }
  EXPECT_TRUE(lowered);
  size_t filmWritten = 0;
  for (const Taken& t : taken) filmWritten += t.written && t.ms < slideFrom;
  if (FILE* note = fopen((folder + "\\film-slide.txt").c_str(), "w")) {
    fprintf(note, "%d %d %zu %zu\n", kWidth, kHeight, Written(taken), filmWritten);
    fclose(note);
  }
}

TEST(ScreenBudget, NoBudgetWritesEveryFrameAsTheLibrarysCompressingStreamDoes) {
  // The film, which the budget would change, through a plain compressing stream with the
  // capture's options beside the recorder's writer without a budget.
  TempDir dir;
  const std::vector<Taken> taken = Record(dir / "none.avi", 0, 60, Film);
  EXPECT_EQ(Written(taken), 60u);
  AVIFileInit();
  PAVIFILE file = nullptr;
  PAVISTREAM stream = nullptr, compressed = nullptr;
  ASSERT_EQ(AVIFileOpenA(&file, (dir / "today.avi").c_str(), OF_WRITE | OF_CREATE, nullptr), 0);
  AVISTREAMINFOA info = {};
  info.fccType = streamtypeVIDEO;
  info.dwScale = 1;
  info.dwRate = 200;
  const std::vector<uint8_t> first = PackedDib(Film(0));
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(first.data());
  info.dwSuggestedBufferSize = header->biSizeImage;
  SetRect(&info.rcFrame, 0, 0, kWidth, kHeight);
  ASSERT_EQ(AVIFileCreateStreamA(file, &stream, &info), 0);
  AVICOMPRESSOPTIONS options = CaptureCompressOptions();
  ASSERT_EQ(AVIMakeCompressedStream(&compressed, stream, &options, nullptr), 0);
  ASSERT_EQ(AVIStreamSetFormat(compressed, 0, const_cast<uint8_t*>(first.data()), sizeof(BITMAPINFOHEADER)), 0);
  for (int i = 0; i < 60; ++i) {
    std::vector<uint8_t> dib = PackedDib(Film(i));
    ASSERT_EQ(AVIStreamWrite(compressed, LONG(i * kFrameMs / 5), 1, dib.data() + sizeof(BITMAPINFOHEADER),
                             LONG(dib.size() - sizeof(BITMAPINFOHEADER)), 0, nullptr, nullptr), 0);
  }
  AVIStreamRelease(compressed);
  AVIStreamRelease(stream);
  AVIFileRelease(file);
  AVIFileExit();
  EXPECT_TRUE(ReadFileBytes(dir / "none.avi") == ReadFileBytes(dir / "today.avi"));
}
