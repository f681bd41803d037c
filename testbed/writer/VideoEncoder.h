// Compresses the writer's RGB555 frames for the ASF video stream: with the MS Video 1
// encoder when the build has it, uncompressed otherwise.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace testbed {

class VideoEncoder {
public:
  VideoEncoder(int width, int height);
  ~VideoEncoder();
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  // The BITMAPINFOHEADER compression and bit count of the frames that Encode makes.
  uint32_t Compression() const;
  int BitCount() const;
  // Encodes bottom-up RGB555 rows (padded to a DWORD) into `out`.
  void Encode(const uint8_t* rgb555, std::vector<uint8_t>& out, bool keyFrame, bool* isKeyFrame);

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace testbed
