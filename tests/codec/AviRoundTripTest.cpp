// Run by avi_roundtrip.sh: "Write.*" makes the AVI files, ffmpeg decodes them, "Compare.*"
// checks ffmpeg's pictures against the frames that went in.
#include "recorder/codec/Msvc1Block.h"
#include "recorder/codec/Msvc1Driver.h"
#include "recorder/codec/Msvc1Encoder.h"
#include "tests/codec/AviTestWriter.h"
#include "tests/codec/RoundTripCases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

std::string OutputFolder() {
  const char* folder = std::getenv("LUMORA_CODEC_OUT");
  return folder ? folder : "";
}

// The compressed picture covers whole 4x4 blocks.
int PaddedWidth(const RoundTripCase& c) { return (c.width + 3) & ~3; }
int PaddedHeight(const RoundTripCase& c) { return (c.height + 3) & ~3; }

// The picture grown to whole blocks by repeating its right column and its top row (the rows
// are stored bottom-up, so the top is where a partial block row lies).
TestFrame PadToBlocks(const TestFrame& frame) {
  const int width = (frame.width + 3) & ~3, height = (frame.height + 3) & ~3;
  const int extraRows = height - frame.height;
  TestFrame padded = MakeFrame(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      padded.At(x, y) = frame.At(std::min(x, frame.width - 1), std::max(0, y - extraRows));
  return padded;
}

// The pictures the encoder itself believes the decoder shows, top-down and padded like ffmpeg's
// output (the padding taken from what ffmpeg decoded, which the encoder does not track).
std::vector<TestFrame> Reconstructions(const RoundTripCase& c) {
  Msvc1Encoder encoder(c.width, c.height, int(c.quality), 1);
  std::vector<uint8_t> out(encoder.MaxFrameBytes());
  const size_t stride = (size_t(c.width) * 2 + 3) & ~size_t(3);
  std::vector<TestFrame> frames;
  for (int i = 0; i < c.frames; ++i) {
    encoder.Encode(ToDib(RoundTripFrame(c, i)).data(), out.data(), ExpectKeyFrame(c, i), nullptr);
    const std::vector<uint8_t>& dib = encoder.Reconstruction();
    TestFrame frame = MakeFrame(c.width, c.height);
    if (dib.size() == stride * c.height)
      for (int y = 0; y < c.height; ++y)
        std::memcpy(&frame.At(0, y), dib.data() + stride * (c.height - 1 - y), size_t(c.width) * 2);
    frames.push_back(frame);
  }
  return frames;
}

// The picture part of a decoded frame padded to whole blocks (its extra rows are at the top).
TestFrame Unpadded(const TestFrame& padded, int width, int height) {
  TestFrame frame = MakeFrame(width, height);
  const int extraRows = padded.height - height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) frame.At(x, y) = padded.At(x, y + extraRows);
  return frame;
}

class Write : public ::testing::TestWithParam<RoundTripCase> {};
class Compare : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(Write, FramesGoThroughTheCompressedStream) {
  const RoundTripCase& c = GetParam();
  ASSERT_FALSE(OutputFolder().empty()) << "LUMORA_CODEC_OUT is not set";
  ASSERT_TRUE(EnsureMsvc1Compressor(c.width, c.height));
  const std::string path = OutputFolder() + "\\" + c.name + ".avi";
  {
    AviTestWriter writer(path, c.width, c.height, c.keyFrameEvery, c.quality);
    ASSERT_EQ(writer.SetupResult(), 0);
    for (int i = 0; i < c.frames; ++i) ASSERT_EQ(writer.Write(i, ToDib(RoundTripFrame(c, i))), 0) << i;
  }

  // Read back through AVIFIL32: format, length, key frames and the size of still delta frames.
  AVIFileInit();
  PAVISTREAM stream = nullptr;
  ASSERT_EQ(AVIStreamOpenFromFileA(&stream, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr), 0);
  BITMAPINFOHEADER format = {};
  LONG formatSize = sizeof(format);
  EXPECT_EQ(AVIStreamReadFormat(stream, 0, &format, &formatSize), 0);
  EXPECT_EQ(format.biCompression, mmioFOURCC('M', 'S', 'V', 'C'));
  EXPECT_EQ(format.biWidth, PaddedWidth(c));
  EXPECT_EQ(format.biHeight, PaddedHeight(c));
  EXPECT_EQ(format.biBitCount, 16);
  EXPECT_EQ(AVIStreamLength(stream), c.frames);
  const LONG blocks = LONG((c.width + 3) / 4) * ((c.height + 3) / 4);
  for (int i = 0; i < c.frames; ++i) {
    LONG bytes = 0;
    EXPECT_EQ(AVIStreamRead(stream, i, 1, nullptr, 0, &bytes, nullptr), 0);
    EXPECT_EQ(AVIStreamIsKeyFrame(stream, i) != FALSE, ExpectKeyFrame(c, i)) << "frame " << i;
    EXPECT_LE(bytes, blocks * 18) << "frame " << i;
    // An unchanged frame is nothing but skip codes of up to 1023 blocks each.
    if (c.content == Content::Still && !ExpectKeyFrame(c, i)) {
      EXPECT_EQ(bytes, 2 * ((blocks + 1022) / 1023)) << "frame " << i;
    }
  }
  AVIStreamRelease(stream);
  AVIFileExit();

  std::ofstream info(OutputFolder() + "\\" + c.name + ".txt", std::ios::binary);
  info << PaddedWidth(c) << " " << PaddedHeight(c) << " " << c.frames;
  for (int i = 0; i < c.frames; ++i) info << " " << (ExpectKeyFrame(c, i) ? 1 : 0);
  info << "\n";
}

TEST_P(Compare, FfmpegDecodesTheFramesThatWentIn) {
  const RoundTripCase& c = GetParam();
  std::ifstream decoded(OutputFolder() + "\\" + c.name + ".decoded.raw", std::ios::binary);
  ASSERT_TRUE(decoded.good()) << "no decoded pictures of " << c.name;
  const std::string bytes((std::istreambuf_iterator<char>(decoded)), std::istreambuf_iterator<char>());
  const int width = PaddedWidth(c), height = PaddedHeight(c);
  const size_t frameBytes = size_t(width) * height * 2;
  ASSERT_EQ(bytes.size(), frameBytes * c.frames);
  const bool byCost = int(c.quality) < msvc1::kCostQualityBelow;
  const std::vector<TestFrame> reconstructions = byCost ? Reconstructions(c) : std::vector<TestFrame>();
  for (int i = 0; i < c.frames; ++i) {
    const TestFrame expected = PadToBlocks(RoundTripFrame(c, i));
    TestFrame actual = MakeFrame(width, height);
    std::memcpy(actual.pixels.data(), bytes.data() + frameBytes * i, frameBytes);
    for (uint16_t& p : actual.pixels) p &= 0x7FFF;
    if (byCost) {
      EXPECT_EQ(MaxChannelError(reconstructions[size_t(i)], Unpadded(actual, c.width, c.height)), 0)
          << "frame " << i << " differs from the encoder's reconstruction";
    }
    const double psnr = Psnr(expected, actual);
    if (c.minPsnr >= 100) {
      EXPECT_EQ(MaxChannelError(expected, actual), 0) << "frame " << i;
    } else {
      EXPECT_GE(psnr, c.minPsnr) << "frame " << i;
    }
    std::printf("%s frame %d: %.2f dB, largest channel error %d\n", c.name, i, psnr,
                MaxChannelError(expected, actual));
  }
}

std::string CaseName(const ::testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Avi, Write, ::testing::ValuesIn(RoundTripCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Avi, Compare, ::testing::ValuesIn(RoundTripCases()), CaseName);

}  // namespace
