// Used while the build has no MS Video 1 encoder: the frames are stored as they come.
#include <cstring>

#include "testbed/com/Base.h"
#include "testbed/writer/VideoEncoder.h"

namespace testbed {

struct VideoEncoder::Impl {
  size_t frameBytes;
};

VideoEncoder::VideoEncoder(int width, int height)
    : impl_(std::make_unique<Impl>(Impl{static_cast<size_t>(DibStride(width, 16)) * height})) {}
VideoEncoder::~VideoEncoder() = default;

uint32_t VideoEncoder::Compression() const { return 0; }  // BI_RGB
int VideoEncoder::BitCount() const { return 16; }

void VideoEncoder::Encode(const uint8_t* rgb555, std::vector<uint8_t>& out, bool, bool* isKeyFrame) {
  out.assign(rgb555, rgb555 + impl_->frameBytes);
  *isKeyFrame = true;
}

}  // namespace testbed
