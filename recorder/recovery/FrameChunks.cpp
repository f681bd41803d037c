#include "recorder/recovery/FrameChunks.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint64_t kSearchBytes = 8u << 20;

bool IsFrameTag(const char* tag) {
  return memcmp(tag, "00dc", 4) == 0 || memcmp(tag, "00db", 4) == 0;
}

// A frame chunk header at `offset` whose data lies wholly inside the file.
bool WholeFrameChunkAt(const FileReader& file, uint64_t offset, const FrameLayout& layout,
                       uint32_t* size) {
  char header[8];
  if (!file.ReadAt(offset, header, 8) || !IsFrameTag(header)) return false;
  uint32_t length;
  memcpy(&length, header + 4, 4);
  if (length > layout.maxChunkBytes || offset + 8 + length > file.Size()) return false;
  *size = length;
  return true;
}

Msvc1Frame FrameAt(const FileReader& file, const FrameChunk& chunk, const FrameLayout& layout,
                   std::vector<uint8_t>& buffer) {
  buffer.resize(chunk.size);
  if (!file.ReadAt(chunk.offset + 8, buffer.data(), chunk.size)) return Msvc1Frame::Torn;
  return ReadMsvc1Frame(buffer.data(), buffer.size(), layout.width, layout.height);
}
}  // namespace

uint64_t FindFirstFrameChunk(const FileReader& file, uint64_t from, const FrameLayout& layout) {
  uint64_t end = std::min(file.Size(), from + kSearchBytes);
  std::vector<char> head(static_cast<size_t>(end > from ? end - from : 0));
  if (head.empty() || !file.ReadAt(from, head.data(), static_cast<uint32_t>(head.size()))) return 0;
  for (size_t at = (from & 1) ? 1 : 0; at + 8 <= head.size(); at += 2) {
    if (!IsFrameTag(&head[at])) continue;
    uint32_t size = 0;
    uint64_t offset = from + at;
    if (!WholeFrameChunkAt(file, offset, layout, &size)) continue;
    // A chance match inside picture data is unlikely to be followed by a second chunk; the
    // last chunk of the file has nothing after it.
    uint64_t next = offset + 8 + size + (size & 1);
    uint32_t nextSize = 0;
    if (next >= file.Size() || WholeFrameChunkAt(file, next, layout, &nextSize)) return offset;
  }
  return 0;
}

std::vector<FrameChunk> ScanFrameChunks(const FileReader& file, uint64_t start,
                                        const FrameLayout& layout) {
  std::vector<FrameChunk> chunks;
  std::vector<uint8_t> buffer;
  uint64_t at = start;
  while (at + 8 <= file.Size()) {
    char header[8];
    if (!file.ReadAt(at, header, 8)) break;
    uint32_t size;
    memcpy(&size, header + 4, 4);
    if (memcmp(header, "JUNK", 4) == 0) {
      if (at + 8 + size > file.Size()) break;
      at += 8 + uint64_t(size) + (size & 1);
      continue;
    }
    if (!WholeFrameChunkAt(file, at, layout, &size)) break;
    FrameChunk chunk = {at, {header[0], header[1], header[2], header[3]}, size, false};
    if (size > 0) {
      const Msvc1Frame frame = FrameAt(file, chunk, layout, buffer);
      chunk.keyFrame = frame == Msvc1Frame::Key;
      if (frame == Msvc1Frame::Torn) chunk.size = 0;
    }
    chunks.push_back(chunk);
    at += 8 + uint64_t(size) + (size & 1);
  }
  return chunks;
}

Msvc1Frame ReadMsvc1Frame(const uint8_t* data, size_t size, int width, int height) {
  if (width <= 0 || height <= 0) return Msvc1Frame::Torn;
  const uint64_t blocks = uint64_t((width + 3) / 4) * uint64_t((height + 3) / 4);
  bool skipped = false;
  size_t at = 0;
  for (uint64_t coded = 0; coded < blocks;) {
    if (at + 2 > size) return Msvc1Frame::Torn;
    const uint8_t a = data[at], b = data[at + 1];
    at += 2;
    if ((b & 0xFC) == 0x84) {
      // Skip code: blocks taken from the previous frame; a count of 0 skips the rest.
      const uint32_t count = ((b - 0x84u) << 8) + a;
      skipped = true;
      coded = count == 0 ? blocks : coded + count;
      continue;
    }
    if (b < 0x80) {
      // Two colours, or eight when the first colour has its top bit set.
      if (at + 2 > size) return Msvc1Frame::Torn;
      const bool eight = (data[at + 1] & 0x80) != 0;
      at += eight ? 16 : 4;
      if (at > size) return Msvc1Frame::Torn;
    }
    ++coded;  // a fill word (b >= 0x80) is the block's one colour
  }
  return skipped ? Msvc1Frame::Whole : Msvc1Frame::Key;
}
