// The ASF layout that the writer promises: sizes and counts of the objects, fragments of
// large media objects, the final header. Decoding is checked by ffprobe and ffmpeg in
// recording_check.sh.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "testbed/writer/AsfFile.h"

using testbed::AsfFile;
using testbed::AsfStream;

namespace {

uint64_t U64(const std::string& b, size_t at) {
  uint64_t v = 0;
  std::memcpy(&v, b.data() + at, 8);
  return v;
}
uint32_t U32(const std::string& b, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

std::vector<AsfStream> VideoAndSound() {
  AsfStream video;
  video.video = true;
  video.width = 64;
  video.height = 48;
  video.bitCount = 16;
  AsfStream sound;
  sound.wave = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
  return {video, sound};
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

}  // namespace

TEST(AsfFile, ObjectsAddUpToTheFileAndTheHeaderTellsTheTruth) {
  TempDir dir;
  std::string path = dir / "out.asf";
  AsfFile file;
  ASSERT_EQ(file.Create(Wide(path), VideoAndSound()), S_OK);
  std::vector<uint8_t> frame(64 * 48 * 2, 0x11);
  std::vector<uint8_t> sound(8820, 0x22);
  for (int i = 0; i < 30; ++i) {
    ASSERT_EQ(file.WriteObject(1, i * 66, i % 15 == 0, frame.data(), frame.size()), S_OK);
    ASSERT_EQ(file.WriteObject(2, i * 66, true, sound.data(), sound.size()), S_OK);
  }
  ASSERT_EQ(file.WriteObject(3, 0, true, sound.data(), sound.size()), E_INVALIDARG);
  ASSERT_EQ(file.Finish(20000000), S_OK);
  std::string bytes = ReadFileBytes(path);

  uint64_t headerSize = U64(bytes, 16);
  ASSERT_LT(headerSize, bytes.size());
  EXPECT_EQ(U32(bytes, 24), 4u);  // file properties, two streams, header extension
  size_t props = 30;
  EXPECT_EQ(U64(bytes, props + 40), bytes.size());                  // file size
  uint64_t packets = U64(bytes, props + 56);
  EXPECT_EQ(packets, file.PacketCount());
  EXPECT_EQ(U64(bytes, props + 64), 20000000u + AsfFile::kPrerollMs * 10000ull);  // play duration
  EXPECT_EQ(U64(bytes, props + 72), 20000000u);                     // send duration
  EXPECT_EQ(U64(bytes, props + 80), AsfFile::kPrerollMs);
  EXPECT_EQ(U32(bytes, props + 88), 2u);                            // seekable
  EXPECT_EQ(U32(bytes, props + 92), AsfFile::kPacketSize);
  EXPECT_EQ(U32(bytes, props + 96), AsfFile::kPacketSize);

  // 30 frames of 6 KB and 30 sound buffers of 8.6 KB need at least 55 packets of 8 KB.
  uint64_t payload = 30 * (frame.size() + sound.size());
  EXPECT_GE(packets * AsfFile::kPacketSize, payload);
  EXPECT_LT(packets, payload / AsfFile::kPacketSize + 20);
  size_t data = headerSize;
  EXPECT_EQ(U64(bytes, data + 16), 50 + packets * AsfFile::kPacketSize);
  EXPECT_EQ(U64(bytes, data + 40), packets);
  size_t index = data + 50 + packets * AsfFile::kPacketSize;
  // Simple index: one entry a second over preroll and duration, pointing at key frames.
  uint32_t entries = U32(bytes, index + 52);
  EXPECT_EQ(entries, (2000 + AsfFile::kPrerollMs) / 1000 + 1);
  EXPECT_EQ(index + 56 + 6 * entries, bytes.size());
  for (uint32_t i = 0; i < entries; ++i) EXPECT_LT(U32(bytes, index + 56 + 6 * i), packets);

  // Every packet starts with its error correction and parsing flags.
  for (uint64_t p = 0; p < packets; ++p) {
    size_t at = data + 50 + p * AsfFile::kPacketSize;
    ASSERT_EQ(static_cast<uint8_t>(bytes[at]), 0x82);
    ASSERT_EQ(static_cast<uint8_t>(bytes[at + 3]), 0x11);
    ASSERT_EQ(static_cast<uint8_t>(bytes[at + 4]), 0x5D);
  }
}

TEST(AsfFile, AnObjectLargerThanAPacketIsSplitIntoFragments) {
  TempDir dir;
  std::string path = dir / "big.asf";
  AsfFile file;
  ASSERT_EQ(file.Create(Wide(path), VideoAndSound()), S_OK);
  std::vector<uint8_t> frame(40000);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 7);
  ASSERT_EQ(file.WriteObject(1, 0, true, frame.data(), frame.size()), S_OK);
  ASSERT_EQ(file.Finish(666666), S_OK);
  EXPECT_EQ(file.PacketCount(), 5u);  // 40000 bytes in packets of 8192 less their headers
  std::string bytes = ReadFileBytes(path);
  size_t first = U64(bytes, 16) + 50;
  // First payload: stream 1 marked key, object 0, offset 0, object size 40000.
  EXPECT_EQ(static_cast<uint8_t>(bytes[first + 14]), 0x81);
  EXPECT_EQ(U32(bytes, first + 16), 0u);
  EXPECT_EQ(U32(bytes, first + 21), 40000u);
  EXPECT_EQ(U32(bytes, first + 25), AsfFile::kPrerollMs);  // presentation time
  // The second packet goes on where the first fragment ended.
  size_t second = first + AsfFile::kPacketSize;
  uint16_t firstLength = static_cast<uint8_t>(bytes[first + 29]) | (static_cast<uint8_t>(bytes[first + 30]) << 8);
  EXPECT_EQ(U32(bytes, second + 16), firstLength);
  EXPECT_EQ(static_cast<uint8_t>(bytes[second + 31]), frame[firstLength]);
}

TEST(AsfFile, ACreateIntoAMissingFolderFails) {
  AsfFile file;
  EXPECT_TRUE(FAILED(file.Create(L"C:\\no such folder\\x\\out.asf", VideoAndSound())));
  EXPECT_FALSE(file.IsOpen());
}
