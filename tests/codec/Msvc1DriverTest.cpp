// The compressor driver as MSVFW32 sees it after EnsureMsvc1Compressor: opened by ICOpen and
// driven through the ICM_ messages.
#include "recorder/codec/Msvc1Driver.h"
#include "tests/codec/TestFrames.h"

#include <gtest/gtest.h>
#include <vfw.h>

#include <vector>

namespace {

constexpr DWORD kMsvc = mmioFOURCC('M', 'S', 'V', 'C');

BITMAPINFOHEADER Rgb16(int width, int height) {
  BITMAPINFOHEADER h = {};
  h.biSize = sizeof(h);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 16;
  h.biCompression = BI_RGB;
  h.biSizeImage = DWORD(height) * ((DWORD(width) * 2 + 3) & ~3u);
  return h;
}

class Driver : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureMsvc1Compressor(1366, 768));
    hic_ = ICOpen(ICTYPE_VIDEO, kMsvc, ICMODE_COMPRESS);
    ASSERT_NE(hic_, nullptr);
  }
  void TearDown() override {
    if (hic_) ICClose(hic_);
  }
  HIC hic_ = nullptr;
};

TEST_F(Driver, DescribesItselfAsTemporalCompressorWithQuality) {
  ICINFO info = {};
  ASSERT_EQ(ICGetInfo(hic_, &info, sizeof(info)), LRESULT(sizeof(info)));
  EXPECT_EQ(info.fccType, ICTYPE_VIDEO);
  EXPECT_EQ(info.fccHandler, kMsvc);
  EXPECT_TRUE(info.dwFlags & VIDCF_QUALITY);
  EXPECT_TRUE(info.dwFlags & VIDCF_TEMPORAL);
  DWORD quality = 0, keyRate = 0;
  EXPECT_EQ(ICSendMessage(hic_, ICM_GETDEFAULTQUALITY, DWORD_PTR(&quality), 0), ICERR_OK);
  EXPECT_EQ(ICSendMessage(hic_, ICM_GETDEFAULTKEYFRAMERATE, DWORD_PTR(&keyRate), 0), ICERR_OK);
  EXPECT_LE(quality, 10000u);
  EXPECT_GT(keyRate, 0u);
  EXPECT_EQ(ICSendMessage(hic_, ICM_CONFIGURE, DWORD_PTR(-1), 0), ICERR_UNSUPPORTED);
  EXPECT_EQ(ICSendMessage(hic_, ICM_ABOUT, DWORD_PTR(-1), 0), ICERR_UNSUPPORTED);
}

TEST_F(Driver, AcceptsOnlyBottomUpRgb555) {
  BITMAPINFOHEADER in = Rgb16(1366, 768);
  EXPECT_EQ(ICCompressQuery(hic_, &in, nullptr), ICERR_OK);
  BITMAPINFOHEADER topDown = Rgb16(64, -48);
  EXPECT_NE(ICCompressQuery(hic_, &topDown, nullptr), ICERR_OK);
  BITMAPINFOHEADER rgb24 = Rgb16(64, 48);
  rgb24.biBitCount = 24;
  EXPECT_NE(ICCompressQuery(hic_, &rgb24, nullptr), ICERR_OK);
  struct {
    BITMAPINFOHEADER header;
    DWORD masks[3];
  } rgb565 = {Rgb16(64, 48), {0xF800, 0x07E0, 0x001F}}, rgb555 = {Rgb16(64, 48), {0x7C00, 0x03E0, 0x001F}};
  rgb565.header.biCompression = rgb555.header.biCompression = BI_BITFIELDS;
  EXPECT_NE(ICCompressQuery(hic_, &rgb565, nullptr), ICERR_OK);
  EXPECT_EQ(ICCompressQuery(hic_, &rgb555, nullptr), ICERR_OK);
}

TEST_F(Driver, CompressedFormatCoversWholeBlocks) {
  BITMAPINFOHEADER in = Rgb16(1366, 766);
  ASSERT_EQ(ICCompressGetFormatSize(hic_, &in), LRESULT(sizeof(BITMAPINFOHEADER)));
  BITMAPINFOHEADER out = {};
  ASSERT_EQ(ICCompressGetFormat(hic_, &in, &out), ICERR_OK);
  EXPECT_EQ(out.biCompression, kMsvc);
  EXPECT_EQ(out.biBitCount, 16);
  EXPECT_EQ(out.biWidth, 1368);
  EXPECT_EQ(out.biHeight, 768);
  // Worst case: every one of the 342 x 192 blocks with eight colours (18 bytes).
  EXPECT_EQ(DWORD(ICCompressGetSize(hic_, &in, &out)), 342u * 192u * 18u);
  EXPECT_EQ(ICCompressQuery(hic_, &in, &out), ICERR_OK);
  BITMAPINFOHEADER unpadded = out;
  unpadded.biWidth = 1366;
  EXPECT_NE(ICCompressQuery(hic_, &in, &unpadded), ICERR_OK);
}

// Compresses frames one by one as AVIFIL32 does, reporting size and key-frame flag.
struct Compressed {
  DWORD bytes;
  bool keyFrame;
};

class Sequence {
public:
  Sequence(HIC hic, int width, int height) : hic_(hic), in_(Rgb16(width, height)) {
    ICCompressGetFormat(hic_, &in_, &out_);
    buffer_.resize(ICCompressGetSize(hic_, &in_, &out_));
    begun_ = ICCompressBegin(hic_, &in_, &out_) == ICERR_OK;
  }
  ~Sequence() { ICCompressEnd(hic_); }
  bool Begun() const { return begun_; }
  Compressed Frame(const TestFrame& frame, bool askKey, DWORD quality = 8000) {
    std::vector<uint8_t> dib = ToDib(frame);
    DWORD flags = 0, ckid = 0;
    BITMAPINFOHEADER out = out_;
    const DWORD result = ICCompress(hic_, askKey ? ICCOMPRESS_KEYFRAME : 0, &out, buffer_.data(), &in_,
                                    dib.data(), &ckid, &flags, frameNumber_++, 0, quality, nullptr, nullptr);
    EXPECT_EQ(result, DWORD(ICERR_OK));
    return {out.biSizeImage, (flags & AVIIF_KEYFRAME) != 0};
  }

private:
  HIC hic_;
  BITMAPINFOHEADER in_;
  BITMAPINFOHEADER out_ = {};
  std::vector<uint8_t> buffer_;
  LONG frameNumber_ = 0;
  bool begun_ = false;
};

TEST_F(Driver, FirstFrameAndRequestedFramesAreKeyFramesOthersSkipUnchangedBlocks) {
  Sequence sequence(hic_, 1366, 768);
  ASSERT_TRUE(sequence.Begun());
  TestFrame frame = SlidePicture(1366, 768);
  const Compressed first = sequence.Frame(frame, false);
  EXPECT_TRUE(first.keyFrame);
  const DWORD blocks = 342 * 192;
  EXPECT_GT(first.bytes, blocks * 2 - 1);  // every block coded

  const Compressed still = sequence.Frame(frame, false);
  EXPECT_FALSE(still.keyFrame);
  EXPECT_EQ(still.bytes, 2 * ((blocks + 1022) / 1023));

  // One changed pixel in the partial last column: one coded block between two skip runs.
  frame.At(1365, 100) ^= 0x1F;
  const Compressed onePixel = sequence.Frame(frame, false);
  EXPECT_FALSE(onePixel.keyFrame);
  EXPECT_GT(onePixel.bytes, still.bytes);
  EXPECT_LE(onePixel.bytes, still.bytes + 2 + 18);

  const Compressed asked = sequence.Frame(frame, true);
  EXPECT_TRUE(asked.keyFrame);
  EXPECT_GE(asked.bytes, blocks * 2);
}

TEST_F(Driver, LowerQualityGivesSmallerFrames) {
  const TestFrame frame = NaturalPicture(320, 240, 0);
  auto bytesAt = [&](DWORD quality) {
    Sequence sequence(hic_, 320, 240);
    return sequence.Frame(frame, true, quality).bytes;
  };
  const DWORD best = bytesAt(10000), recorder = bytesAt(8000), worst = bytesAt(0);
  EXPECT_GT(best, recorder);
  EXPECT_GT(recorder, worst);
  // At quality 0 this smooth picture is almost all one-colour fills of 2 bytes per block.
  EXPECT_LT(worst, 80u * 60u * 3u);
}

TEST(EnsureMsvc1Compressor, StaysUsableForEverySize) {
  EXPECT_TRUE(EnsureMsvc1Compressor(640, 480));
  EXPECT_TRUE(EnsureMsvc1Compressor(1366, 768));
  EXPECT_TRUE(EnsureMsvc1Compressor(37, 23));
  HIC hic = ICOpen(ICTYPE_VIDEO, kMsvc, ICMODE_COMPRESS);
  ASSERT_NE(hic, nullptr);
  BITMAPINFOHEADER in = Rgb16(1920, 1080);
  EXPECT_EQ(ICCompressQuery(hic, &in, nullptr), ICERR_OK);
  ICClose(hic);
}

}  // namespace
