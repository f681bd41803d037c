#include "mainwnd/LessonDuration.h"
#include "mainwnd/Snapshot.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <cstring>
#include <vector>

namespace {
SYSTEMTIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  SYSTEMTIME t{};
  t.wYear = year; t.wMonth = month; t.wDay = day;
  t.wHour = hour; t.wMinute = minute; t.wSecond = second;
  return t;
}

template <typename T>
T FieldAt(const std::string& bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}
}  // namespace

TEST(LessonDuration, FormatsHoursMinutesSecondsAsRecorded) {
  EXPECT_EQ(FormatLessonDuration(3725), "01:02:05");
  EXPECT_EQ(FormatLessonDuration(59), "00:00:59");
  EXPECT_EQ(FormatLessonDuration(100 * 3600), "100:00:00");
  // The clock set back: each field keeps the sign that integer division gives it.
  EXPECT_EQ(FormatLessonDuration(-3725), "-1:-2:-5");
}

TEST(LessonDuration, WritesTimeInfoIntoTheLessonFolder) {
  TempDir dir;
  LessonDuration(dir.Path(), 3725);
  EXPECT_EQ(ReadFileBytes(dir / "time.ini"), "[TimeInfo]\r\ntime=01:02:05\r\n");
  char value[80] = {};
  GetPrivateProfileStringA("TimeInfo", "time", "", value, sizeof(value), (dir / "time.ini").c_str());
  EXPECT_STREQ(value, "01:02:05");
}

TEST(Snapshot, NameFollowsTheLocalTime) {
  EXPECT_EQ(SnapshotName(At(2011, 7, 29, 6, 1, 56)), "2011-07-29(06-01-56)");
}

TEST(Snapshot, A320x240FrameGivesTheExactBitmapLayout) {
  TempDir dir;
  std::vector<uint8_t> pixels(320 * 240 * 3);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7);
  std::atomic<int> requested = 1;
  SnapshotFrame frame{pixels.data(), pixels.size(), 320, 240, 24};
  ASSERT_TRUE(WriteSnapshot(requested, frame, dir.Path(), At(2011, 7, 29, 6, 1, 56)));
  EXPECT_EQ(requested, 0);

  std::string file = ReadFileBytes(dir / "2011-07-29(06-01-56).bmp");
  ASSERT_EQ(file.size(), 230454u);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(FieldAt<uint32_t>(file, 2), 230454u);
  EXPECT_EQ(FieldAt<uint32_t>(file, 6), 0u);
  EXPECT_EQ(FieldAt<uint32_t>(file, 10), 54u);
  EXPECT_EQ(FieldAt<uint32_t>(file, 14), 40u);
  EXPECT_EQ(FieldAt<int32_t>(file, 18), 320);
  EXPECT_EQ(FieldAt<int32_t>(file, 22), 240);
  EXPECT_EQ(FieldAt<uint16_t>(file, 26), 1);
  EXPECT_EQ(FieldAt<uint16_t>(file, 28), 24);
  EXPECT_EQ(file.substr(30, 24), std::string(24, '\0'));
  EXPECT_EQ(0, std::memcmp(file.data() + 54, pixels.data(), pixels.size()));
}

TEST(Snapshot, NothingIsWrittenWithoutARequestOrFrame) {
  TempDir dir;
  std::vector<uint8_t> pixels(16 * 16 * 3);
  std::atomic<int> requested = 0;
  SnapshotFrame frame{pixels.data(), pixels.size(), 16, 16, 24};
  EXPECT_FALSE(WriteSnapshot(requested, frame, dir.Path(), At(2020, 1, 2, 3, 4, 5)));
  requested = 1;
  SnapshotFrame empty{nullptr, 0, 16, 16, 24};
  EXPECT_FALSE(WriteSnapshot(requested, empty, dir.Path(), At(2020, 1, 2, 3, 4, 5)));
  EXPECT_EQ(requested, 1);
  EXPECT_EQ(GetFileAttributesA((dir / "2020-01-02(03-04-05).bmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Snapshot, TwoInOneSecondShareANameAndTheSecondWins) {
  TempDir dir;
  std::vector<uint8_t> first(8 * 8 * 3, 0x11), second(8 * 8 * 3, 0x22);
  std::atomic<int> requested = 1;
  SYSTEMTIME now = At(2020, 5, 6, 7, 8, 9);
  ASSERT_TRUE(WriteSnapshot(requested, {first.data(), first.size(), 8, 8, 24}, dir.Path(), now));
  requested = 1;
  ASSERT_TRUE(WriteSnapshot(requested, {second.data(), second.size(), 8, 8, 24}, dir.Path(), now));
  std::string file = ReadFileBytes(dir / "2020-05-06(07-08-09).bmp");
  ASSERT_EQ(file.size(), 54u + second.size());
  EXPECT_EQ(static_cast<uint8_t>(file[54]), 0x22);
}

TEST(Snapshot, AMissingLessonFolderIsCreatedOneLevelDeep) {
  TempDir dir;
  std::vector<uint8_t> pixels(4 * 4 * 3, 0x33);
  std::atomic<int> requested = 1;
  ASSERT_TRUE(WriteSnapshot(requested, {pixels.data(), pixels.size(), 4, 4, 24}, dir / "html",
                            At(2020, 1, 1, 0, 0, 0)));
  EXPECT_NE(GetFileAttributesA((dir / "html\\2020-01-01(00-00-00).bmp").c_str()), INVALID_FILE_ATTRIBUTES);
  requested = 1;
  EXPECT_FALSE(WriteSnapshot(requested, {pixels.data(), pixels.size(), 4, 4, 24}, dir / "a\\b",
                             At(2020, 1, 1, 0, 0, 0)));
}

TEST(ClickSound, PathRuleOf242Characters) {
  std::string shortDir = "C:\\windows";
  EXPECT_EQ(ClickSoundPath(shortDir.c_str(), static_cast<UINT>(shortDir.size())),
            "C:\\windows\\media\\click.wav");
  std::string longDir(250, 'w');
  EXPECT_EQ(ClickSoundPath(longDir.c_str(), 243), "");
  EXPECT_EQ(ClickSoundPath(longDir.c_str(), 242), std::string(242, 'w') + "\\media\\click.wav");
  EXPECT_EQ(ClickSoundPath("", 0), "");
}
