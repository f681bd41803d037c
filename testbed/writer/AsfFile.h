// Writes an Advanced Systems Format file: a header object (file properties, one stream
// properties object per stream, header extension), the data object in fixed-size packets of
// payloads that carry media objects in fragments, and a simple index of the video key frames.
// The header is written first with placeholders and written again, same size, by Finish.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>
#include <mmreg.h>

#include "framework/Handles.h"

namespace testbed {

struct AsfStream {
  bool video = false;
  // Video: the picture and its compression (a FOURCC, or BI_RGB for none).
  int width = 0;
  int height = 0;
  uint32_t compression = 0;
  int bitCount = 0;
  // Sound: the PCM format.
  WAVEFORMATEX wave{};
};

class AsfFile {
public:
  static constexpr uint32_t kPacketSize = 8192;
  static constexpr uint32_t kPrerollMs = 3000;

  AsfFile() = default;
  AsfFile(const AsfFile&) = delete;
  AsfFile& operator=(const AsfFile&) = delete;

  // Creates the file with stream numbers 1, 2, ... in the order given.
  HRESULT Create(const std::wstring& path, const std::vector<AsfStream>& streams);
  // One media object (a frame, a sound buffer) of stream `number`, presented at `timeMs`.
  HRESULT WriteObject(int number, uint32_t timeMs, bool keyFrame, const uint8_t* data, size_t size);
  // Writes the last packet, the index and the final header; `duration` in 100 ns units.
  HRESULT Finish(uint64_t duration);
  bool IsOpen() const { return file_.Valid(); }
  uint64_t PacketCount() const { return packets_; }

private:
  struct KeyFrame {
    uint32_t time;  // presentation time with the preroll
    uint32_t firstPacket;
    uint32_t lastPacket;
  };

  std::vector<uint8_t> HeaderObject(uint64_t fileSize, uint64_t duration, uint32_t maxBitrate) const;
  std::vector<uint8_t> DataObjectHeader() const;
  std::vector<uint8_t> SimpleIndex(uint64_t duration) const;
  HRESULT FlushPacket();
  HRESULT Write(const std::vector<uint8_t>& bytes);

  UniqueHandle file_;
  std::vector<AsfStream> streams_;
  GUID fileId_{};
  FILETIME created_{};
  uint64_t packets_ = 0;
  std::vector<uint8_t> objectNumbers_;  // next media object number per stream
  std::vector<KeyFrame> keyFrames_;
  int indexedStream_ = 0;  // the first video stream, or 0

  std::vector<uint8_t> payloads_;  // the current packet's payloads
  int payloadCount_ = 0;
  uint32_t sendTime_ = 0;
};

}  // namespace testbed
