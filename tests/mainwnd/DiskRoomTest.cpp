// The disk's room in recording time: the rate learnt from the lessons on disk (whole, damaged,
// without recordings, without a length), the minutes of a disk of any size and the line shown.
#include "mainwnd/DiskRoom.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {
class DiskRoomTest : public ::testing::Test {
protected:
  // A lesson folder with its course page, a length (none when empty) and recordings of the given sizes.
  void Lesson(const std::string& name, const std::string& length, size_t videoBytes, size_t screenBytes) {
    std::string html = saveDir / name + "\\html";
    CreateDirectoryA((saveDir / name).c_str(), nullptr);
    CreateDirectoryA(html.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(saveDir / name + "\\index.htm", "<html></html>"));
    if (!length.empty()) {
      ASSERT_TRUE(WriteFileBytes(html + "\\time.ini", "[TimeInfo]\r\ntime=" + length + "\r\n"));
    }
    if (videoBytes) {
      ASSERT_TRUE(WriteFileBytes(html + "\\video.wmv", std::string(videoBytes, 'v')));
    }
    if (screenBytes) {
      ASSERT_TRUE(WriteFileBytes(html + "\\screen.avi", std::string(screenBytes, 's')));
    }
    // A snapshot and the subject are not recordings.
    ASSERT_TRUE(WriteFileBytes(html + "\\20260101080000.bmp", std::string(50000, 'b')));
  }
  TempDir saveDir;
};
}  // namespace

TEST_F(DiskRoomTest, WithoutLessonsTwoGigabytesAnHourAreAssumed) {
  EXPECT_DOUBLE_EQ(LessonsDataRate(saveDir.Path()), kDefaultBytesPerSecond);
  EXPECT_DOUBLE_EQ(LessonsDataRate(saveDir / "not made yet"), kDefaultBytesPerSecond);
  EXPECT_EQ(RoomMinutes(2ULL * 1024 * 1024 * 1024, kDefaultBytesPerSecond), 60u);
}

TEST_F(DiskRoomTest, TheRateComesFromWholeLessonsOnly) {
  Lesson("20260101080000", "00:00:10", 6000, 4000);   // 1000 bytes a second
  Lesson("20260102080000", "00:00:30", 40000, 20000);  // 2000 bytes a second
  EXPECT_DOUBLE_EQ(LessonsDataRate(saveDir.Path()), 70000.0 / 40.0);

  // None of these tell a rate: no recordings, no length, a zero length, a damaged length.
  Lesson("20260103080000", "01:00:00", 0, 0);
  Lesson("20260104080000", "", 5000, 5000);
  Lesson("20260105080000", "00:00:00", 5000, 5000);
  Lesson("20260106080000", "-00:-01:-05", 5000, 5000);
  Lesson("20260107080000", "garbage", 5000, 5000);
  EXPECT_DOUBLE_EQ(LessonsDataRate(saveDir.Path()), 70000.0 / 40.0);
  // A lesson with only its screen recording still counts with what it has.
  Lesson("20260108080000", "00:00:10", 0, 10000);
  EXPECT_DOUBLE_EQ(LessonsDataRate(saveDir.Path()), 80000.0 / 50.0);
}

TEST_F(DiskRoomTest, OnlyTheNewestLessonsTeachTheRate) {
  Lesson("20200101080000", "00:00:10", 1000000, 0);  // an old, much larger kind of recording
  for (size_t i = 0; i < kRateLessons; ++i) Lesson("2026010108" + std::to_string(1000 + i), "00:00:10", 10000, 0);
  EXPECT_DOUBLE_EQ(LessonsDataRate(saveDir.Path()), 1000.0);
}

TEST_F(DiskRoomTest, DurationsAreReadAsTheDurationRecordWritesThem) {
  EXPECT_EQ(DurationSeconds("01:02:05"), 3725);
  EXPECT_EQ(DurationSeconds("100:00:00"), 360000);
  EXPECT_EQ(DurationSeconds("00:00:59"), 59);
  EXPECT_EQ(DurationSeconds(""), -1);
  EXPECT_EQ(DurationSeconds("-01:00:00"), -1);
  EXPECT_EQ(DurationSeconds("00:61:00"), -1);
  EXPECT_EQ(DurationSeconds("00:01:00 x"), -1);
  EXPECT_EQ(DurationSeconds("1:2"), -1);
}

TEST_F(DiskRoomTest, ADiskOfAnySizeGivesMinutesAndALine) {
  const ULONGLONG terabyte = 1024ULL * 1024 * 1024 * 1024;
  // Past 2 TB, where 32-bit counts of bytes or sectors overflow.
  EXPECT_EQ(RoomMinutes(3 * terabyte, kDefaultBytesPerSecond), 1536u * 60);
  EXPECT_EQ(RoomLine(RoomMinutes(3 * terabyte, kDefaultBytesPerSecond)), "剩余空间约可录制 1536 小时 0 分钟");
  EXPECT_EQ(RoomMinutes(0, 1000.0), 0u);
  EXPECT_GE(RoomMinutes(ULLONG_MAX, 1.0), 1'000'000'000'000u) << "whatever the disk, a count";
  EXPECT_EQ(RoomLine(125), "剩余空间约可录制 2 小时 5 分钟");
  EXPECT_EQ(RoomLine(60), "剩余空间约可录制 1 小时 0 分钟");
  EXPECT_EQ(RoomLine(59), "剩余空间约可录制 59 分钟");
  EXPECT_EQ(RoomLine(0), "剩余空间约可录制 0 分钟");
}

TEST_F(DiskRoomTest, TheFreeSpaceIsThatOfTheFoldersDiskEvenBeforeTheFolderIsMade) {
  ULONGLONG existing = 0, missing = 0;
  ASSERT_TRUE(FreeBytesOnDisk(saveDir.Path(), &existing));
  EXPECT_GT(existing, 0u);
  ASSERT_TRUE(FreeBytesOnDisk(saveDir / "lessons\\not made yet", &missing));
  EXPECT_GT(missing, 0u);
  EXPECT_FALSE(FreeBytesOnDisk("Q:\\no such disk", &missing));
}

TEST_F(DiskRoomTest, RecordingBytesCountVideoAndScreenFilesOfEveryPart) {
  Lesson("20260101080000", "00:00:10", 3000, 2000);
  std::string html = saveDir / "20260101080000\\html";
  ASSERT_TRUE(WriteFileBytes(html + "\\screen-2.AVI", std::string(1000, 's')));
  EXPECT_EQ(RecordingBytes(html), 6000u);
  EXPECT_EQ(RecordingBytes(saveDir / "nothing here"), 0u);
}
