#include <gtest/gtest.h>

#include <vector>

#include "testbed/RgbConversion.h"
#include "testbed/com/Base.h"

using testbed::ConvertRgb;
using testbed::DibStride;

TEST(RgbConversion, PacksAndWidensRgb555AcrossPaddedRows) {
  const int width = 3, height = 2;  // odd width: every layout needs row padding
  ASSERT_EQ(DibStride(width, 24), 12);
  ASSERT_EQ(DibStride(width, 16), 8);
  std::vector<uint8_t> rgb24(12 * height, 0xEE);
  const uint8_t pixels[2][3][3] = {{{255, 255, 255}, {0, 0, 255}, {0, 255, 0}},
                                   {{255, 0, 0}, {0, 0, 0}, {8, 16, 128}}};  // B, G, R
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) rgb24[y * 12 + x * 3 + c] = pixels[y][x][c];

  std::vector<uint8_t> rgb555(8 * height, 0xEE);
  ASSERT_TRUE(ConvertRgb(rgb24.data(), 24, rgb555.data(), 16, width, height));
  auto at = [&](int x, int y) { return rgb555[y * 8 + x * 2] | (rgb555[y * 8 + x * 2 + 1] << 8); };
  EXPECT_EQ(at(0, 0), 0x7FFF);
  EXPECT_EQ(at(1, 0), 0x7C00);  // red
  EXPECT_EQ(at(2, 0), 0x03E0);  // green
  EXPECT_EQ(at(0, 1), 0x001F);  // blue
  EXPECT_EQ(at(2, 1), (16 << 10) | (2 << 5) | 1);
  EXPECT_EQ(rgb555[6], 0);      // padding is cleared
  EXPECT_EQ(rgb555[7], 0);

  std::vector<uint8_t> back(16 * height);
  ASSERT_TRUE(ConvertRgb(rgb555.data(), 16, back.data(), 32, width, height));
  EXPECT_EQ(back[0], 255);  // five bits of white widen to full white
  EXPECT_EQ(back[2], 255);
  EXPECT_EQ(back[4 + 2], 255);  // red stays red
  EXPECT_EQ(back[4 + 0], 0);
}

TEST(RgbConversion, RefusesOtherDepths) {
  uint8_t a[16] = {}, b[16] = {};
  EXPECT_FALSE(ConvertRgb(a, 8, b, 16, 2, 2));
  EXPECT_FALSE(ConvertRgb(a, 24, b, 15, 2, 2));
}
