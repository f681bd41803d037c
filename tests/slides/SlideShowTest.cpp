// A recording's slides as files: the pictures through the imaging component, the list in time
// order with marks, a thousand of them, and the list mended after a crash.
#include "recorder/FrameChange.h"
#include "recorder/PackedDib.h"
#include "recorder/slides/SlideList.h"
#include "recorder/slides/SlidePicture.h"
#include "recorder/slides/SlideShow.h"
#include "recorder/slides/SlidesRepair.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <cstring>

namespace {
// A small screen of one colour, fed to a slide show as the frame loop feeds it.
class SmallScreen {
public:
  SmallScreen(SlideShow& slides, int width, int height) : slides_(slides), shape_{width, height, DibRowBytes(width, 16)} {
    frame_.assign(sizeof(BITMAPINFOHEADER) + shape_.stride * height, 0);
    auto* header = Header();
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 16;
    header->biSizeImage = static_cast<DWORD>(shape_.stride * height);
  }
  void Paint(uint16_t colour) {
    uint16_t* pixels = reinterpret_cast<uint16_t*>(DibPixels(Header()));
    for (size_t i = 0; i < shape_.stride * shape_.height / 2; ++i) pixels[i] = colour;
  }
  void Take(uint32_t position) {
    change_.Differs(Header(), nullptr, &blocks_);
    slides_.Frame(DibPixels(Header()), shape_, position, blocks_, {}, nullptr);
  }

private:
  BITMAPINFOHEADER* Header() { return reinterpret_cast<BITMAPINFOHEADER*>(frame_.data()); }
  SlideShow& slides_;
  PictureShape shape_;
  std::vector<uint8_t> frame_;
  FrameChange change_;
  ChangedBlocks blocks_;
};

class SlideFiles : public ::testing::Test {
protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  void TearDown() override { CoUninitialize(); }
  std::string Script() { return ReadFileBytes(folder / "slides.js"); }
  bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
  TempDir folder;
};
}  // namespace

TEST(SlideList, TimesHaveTwoDecimalsOnTheRecordingsAxisAndTheListIsInTimeOrder) {
  const std::string script = SlidesScriptText({{0, 1, false}, {2471, 3, false}, {1200, 2, true}, {720000, 1000, false}});
  EXPECT_EQ(script,
            "var LESSON_SLIDES = [\r\n"
            "  {\"time\": 0.00, \"image\": \"slides/001.png\", \"mark\": false},\r\n"
            "  {\"time\": 6.00, \"image\": \"slides/002.png\", \"mark\": true},\r\n"
            "  {\"time\": 12.35, \"image\": \"slides/003.png\", \"mark\": false},\r\n"
            "  {\"time\": 3600.00, \"image\": \"slides/1000.png\", \"mark\": false}\r\n"
            "];\r\n");
  const std::vector<SlideEntry> read = ParseSlidesScript(script);
  ASSERT_EQ(read.size(), 4u);
  EXPECT_EQ(read[2].position, 2470u);  // a hundredth is two positions
  EXPECT_EQ(read[1].mark, true);
  EXPECT_EQ(read[3].number, 1000u);
  EXPECT_EQ(SlidesScriptText({}), "var LESSON_SLIDES = [];\r\n");
}

TEST_F(SlideFiles, MarksAreKeptWithTheirTimesAndNumberedInTimeOrder) {
  SlideShow slides(folder.Path());
  SmallScreen screen(slides, 64, 48);
  screen.Paint(0x1234);
  // Two marks on a still screen; then a new slide at 2000 and a mark at 2100, before the slide
  // has stood for 2 s: the mark still comes after the slide. The mark at 3000 lies in a picture
  // that never stands (it changes again at 3200) and is kept all the same.
  for (uint32_t position = 0; position < 3700; position += 10) {
    if (position == 2000) screen.Paint(0x7C00);
    if (position == 3000) screen.Paint(0x03E0);
    if (position == 3200) screen.Paint(0x001F);
    if (position == 1000 || position == 1500 || position == 2100 || position == 3000) slides.Mark();
    screen.Take(position);
  }
  slides.Finish();
  EXPECT_EQ(Script(), SlidesScriptText({{0, 1, false},
                                        {1000, 2, true},
                                        {1500, 3, true},
                                        {2000, 4, false},
                                        {2100, 5, true},
                                        {3000, 6, true},
                                        {3200, 7, false}}));
  for (uint32_t number = 1; number <= 7; ++number)
    EXPECT_TRUE(SlidePictureReadable(SlidePicturePath(folder.Path(), number))) << number;
  EXPECT_FALSE(Exists(SlidePicturePath(folder.Path(), 8)));
}

TEST_F(SlideFiles, AThousandSlidesKeepTheirNamesAndTimes) {
  SlideShow slides(folder.Path());
  SmallScreen screen(slides, 64, 48);
  // Each slide up for 3 s: taken as it appears and after 1 s and 2 s of standing still.
  for (uint32_t k = 0; k < 1000; ++k) {
    screen.Paint(static_cast<uint16_t>(k * 31 + 7));
    for (uint32_t after : {0u, 200u, 400u}) screen.Take(k * 600 + after);
  }
  slides.Finish();
  const std::vector<SlideEntry> listed = ParseSlidesScript(Script());
  ASSERT_EQ(listed.size(), 1000u);
  for (uint32_t k = 0; k < 1000; ++k) {
    EXPECT_EQ(listed[k].position, k * 600) << k;
    EXPECT_EQ(listed[k].number, k + 1) << k;
    EXPECT_FALSE(listed[k].mark);
  }
  EXPECT_NE(Script().find("{\"time\": 2997.00, \"image\": \"slides/1000.png\", \"mark\": false}"), std::string::npos);
  EXPECT_TRUE(Exists(folder / "slides\\001.png"));
  EXPECT_TRUE(Exists(folder / "slides\\999.png"));
  EXPECT_TRUE(SlidePictureReadable(folder / "slides\\1000.png"));
  EXPECT_FALSE(Exists(folder / "slides\\1001.png"));
}

TEST_F(SlideFiles, ARecordingWithoutFramesLeavesNoList) {
  {
    SlideShow slides(folder.Path());
    slides.Mark();
    slides.Finish();
  }
  EXPECT_FALSE(Exists(folder / "slides.js"));
  EXPECT_FALSE(Exists(folder / "slides"));
}

TEST_F(SlideFiles, TheRepairAfterACrashListsOnlyPicturesThatReadBackWhole) {
  ASSERT_TRUE(CreateDirectoryA((folder / "slides").c_str(), nullptr));
  std::vector<uint8_t> pixels(DibRowBytes(64, 16) * 48, 0x3C);
  const PictureShape shape = {64, 48, DibRowBytes(64, 16)};
  const std::string whole = EncodeSlidePng(pixels.data(), shape);
  ASSERT_GT(whole.size(), 60u);
  ASSERT_TRUE(WriteFileBytes(folder / "slides\\001.png", whole));
  // Cut off while written: the second one's bytes stop half-way, the fourth is garbage, the
  // third never got a file; the temporary file of a fifth is left.
  ASSERT_TRUE(WriteFileBytes(folder / "slides\\002.png", whole.substr(0, whole.size() / 2)));
  ASSERT_TRUE(WriteFileBytes(folder / "slides\\004.png", std::string(whole.size(), 'x')));
  ASSERT_TRUE(WriteFileBytes(folder / "slides\\lumA1.tmp", whole.substr(0, 10)));
  ASSERT_TRUE(WriteSlidesScript(folder.Path(), {{0, 1, false}, {900, 2, false}, {1000, 3, true}, {1600, 4, false}}));
  EXPECT_TRUE(RepairSlidesScript(folder.Path()));
  EXPECT_EQ(Script(), SlidesScriptText({{0, 1, false}}));
  EXPECT_FALSE(Exists(folder / "slides\\lumA1.tmp"));
}

TEST_F(SlideFiles, TheRepairWithoutAListWritesNone) {
  EXPECT_TRUE(RepairSlidesScript(folder.Path()));
  EXPECT_FALSE(Exists(folder / "slides.js"));
}
