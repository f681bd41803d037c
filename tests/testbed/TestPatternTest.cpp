#include <gtest/gtest.h>

#include <vector>

#include "testbed/camera/TestPattern.h"
#include "testbed/com/Base.h"

using testbed::TestPattern;

namespace {

std::vector<uint8_t> Frame(TestPattern& pattern, uint32_t index, int64_t time, int bits, int w, int h) {
  std::vector<uint8_t> out(testbed::DibStride(w, bits) * h);
  EXPECT_TRUE(pattern.Render(index, index, time, bits, out.data()));
  return out;
}

size_t DifferentBytes(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  size_t n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
  return n;
}

}  // namespace

TEST(TestPattern, TheBlockSweepsAndTheCaptionFollowsTheClock) {
  TestPattern pattern(320, 240, L"Camera", false);
  auto first = Frame(pattern, 0, 0, 24, 320, 240);
  EXPECT_EQ(DifferentBytes(first, Frame(pattern, 0, 0, 24, 320, 240)), 0u);
  // Ten frames later the block has moved and the counter changed: a large change.
  EXPECT_GT(DifferentBytes(first, Frame(pattern, 10, 0, 24, 320, 240)), 320u * 240 / 20);
  // Same frame number, a second later: only the caption differs.
  size_t caption = DifferentBytes(first, Frame(pattern, 0, 10000000, 24, 320, 240));
  EXPECT_GT(caption, 20u);
  EXPECT_LT(caption, 320u * 240 * 3 / 10);

  EXPECT_EQ(TestPattern::BlockLeft(0, 320), 0);
  for (uint32_t i = 0; i < 200; ++i) {
    ASSERT_GE(TestPattern::BlockLeft(i, 320), 0);
    ASSERT_LE(TestPattern::BlockLeft(i, 320) + 320 / 8, 320);
  }
}

TEST(TestPattern, TheTwoCamerasAndTheThreeFormatsShowTheSamePictureDifferently) {
  TestPattern first(640, 480, L"Camera", false);
  TestPattern second(640, 480, L"Camera", true);
  auto a = Frame(first, 3, 0, 32, 640, 480);
  EXPECT_GT(DifferentBytes(a, Frame(second, 3, 0, 32, 640, 480)), 640u * 480 / 2);
  auto rgb24 = Frame(first, 3, 0, 24, 640, 480);
  auto rgb555 = Frame(first, 3, 0, 16, 640, 480);
  // The top-left pixel (last row in memory) is the first bar, light grey, in every layout.
  size_t top24 = 479 * 640 * 3, top32 = 479 * 640 * 4, top16 = 479 * 640 * 2;
  EXPECT_EQ(rgb24[top24], 192);
  EXPECT_EQ(a[top32], 192);
  EXPECT_EQ(rgb555[top16] | (rgb555[top16 + 1] << 8), (24 << 10) | (24 << 5) | 24);
}
