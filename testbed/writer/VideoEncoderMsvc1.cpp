#include "recorder/codec/Msvc1Encoder.h"
#include "testbed/writer/VideoEncoder.h"

namespace testbed {

// A small error bound on a clean test picture, a little below the screen recorder's 8000; at
// this quality the encoder still codes every changed block within its error bound.
constexpr int kQuality = 7500;

struct VideoEncoder::Impl {
  Msvc1Encoder encoder;
  Impl(int width, int height) : encoder(width, height, kQuality) {}
};

VideoEncoder::VideoEncoder(int width, int height) : impl_(std::make_unique<Impl>(width, height)) {}
VideoEncoder::~VideoEncoder() = default;

uint32_t VideoEncoder::Compression() const { return 'M' | ('S' << 8) | ('V' << 16) | ('C' << 24); }
int VideoEncoder::BitCount() const { return 16; }

void VideoEncoder::Encode(const uint8_t* rgb555, std::vector<uint8_t>& out, bool keyFrame, bool* isKeyFrame) {
  out.resize(impl_->encoder.MaxFrameBytes());
  out.resize(impl_->encoder.Encode(rgb555, out.data(), keyFrame, isKeyFrame));
}

}  // namespace testbed
