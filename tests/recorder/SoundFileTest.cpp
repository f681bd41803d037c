// The WAV writer and reader: the exact layout, sizes made right at close, block-wise reads, and
// the four read errors through the message box.
#include "recorder/audio/Buffer.h"
#include "recorder/audio/SoundFile.h"
#include "recorder/audio/WaveIn.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <cstring>
#include <memory>

namespace {
uint32_t U32(const std::string& bytes, size_t offset) {
  uint32_t value;
  memcpy(&value, bytes.data() + offset, 4);
  return value;
}

void WriteBuffers(const std::string& path, int count, int size, char fill) {
  WAVEFORMATEX format = PcmFormat(16, 2, 22050);
  CSoundFile file(path, &format);
  ASSERT_EQ(file.FileMode, SoundFileWriting);
  for (int i = 0; i < count; ++i) {
    CBuffer buffer(size, true);
    memset(buffer.data, fill + i, static_cast<size_t>(size));
    EXPECT_TRUE(file.Write(buffer));
  }
}

std::string Riff(const std::string& body) {
  std::string bytes = "RIFF";
  uint32_t size = static_cast<uint32_t>(body.size() + 4);
  bytes.append(reinterpret_cast<const char*>(&size), 4);
  return bytes + "WAVE" + body;
}

std::string Chunk(const char* id, const std::string& body) {
  uint32_t size = static_cast<uint32_t>(body.size());
  return std::string(id, 4) + std::string(reinterpret_cast<const char*>(&size), 4) + body;
}
}  // namespace

TEST(SoundBase, DefaultsToMono22050SixteenBit) {
  CSoundBase base;
  EXPECT_EQ(base.format.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(base.format.nChannels, 1);
  EXPECT_EQ(base.format.nSamplesPerSec, 22050u);
  EXPECT_EQ(base.GetBitsPerSample(), 16);
  EXPECT_EQ(base.format.nBlockAlign, 2);
  EXPECT_EQ(base.format.nAvgBytesPerSec, 44100u);
  base.SetChannels(2);
  EXPECT_EQ(base.format.nBlockAlign, 4);
  EXPECT_EQ(base.format.nAvgBytesPerSec, 88200u);
  EXPECT_EQ(base.framesPerBuffer, 1000);
}

TEST(CBuffer, OwnsOnlyWhatItAllocatedForItself) {
  CBuffer owned(4000, true);
  EXPECT_NE(owned.data, nullptr);
  EXPECT_EQ(owned.size, 4000);
  CBuffer wrapped(nullptr, 100);
  EXPECT_EQ(wrapped.data, nullptr);
  EXPECT_EQ(wrapped.size, 0);
  char block[8];
  CBuffer view(block, 8);
  EXPECT_FALSE(view.owns);
  EXPECT_EQ(view.size, 8);
}

TEST(SoundFile, EmptyFileIs46BytesWithTheFormatCbSizeIncluded) {
  TempDir dir;
  WriteBuffers(dir / "empty.wav", 0, 0, 0);
  std::string bytes = ReadFileBytes(dir / "empty.wav");
  ASSERT_EQ(bytes.size(), 46u);
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_EQ(U32(bytes, 4), 38u);
  EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(U32(bytes, 16), 18u);
  WAVEFORMATEX expected = PcmFormat(16, 2, 22050);
  EXPECT_EQ(memcmp(bytes.data() + 20, &expected, 18), 0);
  EXPECT_EQ(bytes.substr(38, 4), "data");
  EXPECT_EQ(U32(bytes, 42), 0u);
}

TEST(SoundFile, ThreeBuffersOf4000Bytes) {
  TempDir dir;
  WriteBuffers(dir / "three.wav", 3, 4000, 'a');
  std::string bytes = ReadFileBytes(dir / "three.wav");
  ASSERT_EQ(bytes.size(), 12046u);
  EXPECT_EQ(U32(bytes, 4), 12038u);
  EXPECT_EQ(U32(bytes, 42), 12000u);
  EXPECT_EQ(bytes[46], 'a');
  EXPECT_EQ(bytes[46 + 4000], 'b');
  EXPECT_EQ(bytes[12045], 'c');
}

TEST(SoundFile, AnExistingFileIsReplaced) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir / "old.wav", std::string(50000, 'x')));
  WriteBuffers(dir / "old.wav", 1, 4000, 'a');
  EXPECT_EQ(ReadFileBytes(dir / "old.wav").size(), 4046u);
}

TEST(SoundFile, ReadsBlocksOf1000FramesThenNull) {
  TempDir dir;
  WriteBuffers(dir / "ten.wav", 1, 10000, 'q');
  MessageBoxRecorder boxes;
  CSoundFile reader(dir / "ten.wav", nullptr);
  ASSERT_EQ(reader.FileMode, SoundFileReading);
  EXPECT_EQ(reader.format.nChannels, 2);
  EXPECT_EQ(reader.format.nSamplesPerSec, 22050u);
  EXPECT_EQ(reader.GetBitsPerSample(), 16);
  std::vector<int> sizes;
  while (std::unique_ptr<CBuffer> buffer{reader.ReadBuffer()}) {
    sizes.push_back(buffer->size);
    EXPECT_EQ(buffer->data[0], 'q');
  }
  EXPECT_EQ(sizes, (std::vector<int>{4000, 4000, 2000}));
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST(SoundFile, ReadingStopsAtTheEndOfTheDataChunk) {
  TempDir dir;
  WAVEFORMATEX format = PcmFormat(8, 1, 11025);
  std::string body = Chunk("fmt ", std::string(reinterpret_cast<char*>(&format), 16)) +
                     Chunk("data", std::string(300, '\x80')) + Chunk("LIST", std::string(64, 'z'));
  ASSERT_TRUE(WriteFileBytes(dir / "list.wav", Riff(body)));
  CSoundFile reader(dir / "list.wav", nullptr);
  ASSERT_EQ(reader.FileMode, SoundFileReading);
  EXPECT_EQ(reader.format.cbSize, 0);  // a 16-byte fmt body keeps the default
  std::unique_ptr<CBuffer> buffer{reader.ReadBuffer()};
  ASSERT_TRUE(buffer);
  EXPECT_EQ(buffer->size, 300);
  EXPECT_EQ(reader.ReadBuffer(), nullptr);
}

TEST(SoundFile, WrongDirectionDoesNothing) {
  TempDir dir;
  WriteBuffers(dir / "w.wav", 1, 400, 'a');
  WAVEFORMATEX format = PcmFormat(16, 2, 22050);
  CSoundFile writer(dir / "x.wav", &format);
  CBuffer buffer(100, true);
  EXPECT_FALSE(writer.Read(buffer));
  EXPECT_EQ(buffer.size, 100);
  CSoundFile reader(dir / "w.wav", nullptr);
  EXPECT_FALSE(reader.Write(buffer));
  writer.Close();
  EXPECT_EQ(ReadFileBytes(dir / "x.wav").size(), 46u);
}

TEST(SoundFile, ReadErrorsAreShownAndCloseTheFile) {
  TempDir dir;
  WAVEFORMATEX format = PcmFormat(16, 1, 22050);
  std::string fmt = Chunk("fmt ", std::string(reinterpret_cast<char*>(&format), 18));
  const struct {
    const char* name;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"text.wav", "this is not a RIFF file at all", "Error descending into file"},
      {"nofmt.wav", Riff(Chunk("data", std::string(8, '\0'))), "Error descending in wave file"},
      {"nodata.wav", Riff(fmt), "error reading data chunk"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(WriteFileBytes(dir / c.name, c.bytes));
    MessageBoxRecorder boxes;
    CSoundFile reader(dir / c.name, nullptr);
    EXPECT_EQ(reader.FileMode, SoundFileClosed) << c.name;
    ASSERT_EQ(boxes.Boxes().size(), 1u) << c.name;
    EXPECT_EQ(boxes.Boxes()[0].text, c.message);
    EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(reader.ReadBuffer(), nullptr);
    // The file is closed again: it can be deleted at once.
    EXPECT_TRUE(DeleteFileA((dir / c.name).c_str())) << c.name;
  }
  MessageBoxRecorder boxes;
  CSoundFile missing(dir / "missing.wav", nullptr);
  EXPECT_EQ(missing.FileMode, SoundFileClosed);
  EXPECT_TRUE(boxes.Texts().empty());
}
