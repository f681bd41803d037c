// Finding the frame chunks that an interrupted recording left on disk. The AVI library appends
// one chunk per stream position ("00dc", an empty one for a position without a frame) after a
// header area that stays empty until the file is closed; everything up to the first chunk that
// is not whole is kept.
#pragma once
#include "recorder/recovery/BinaryFile.h"

#include <cstdint>
#include <vector>

struct FrameChunk {
  uint64_t offset;  // of the chunk header
  char tag[4];      // "00dc" or "00db"
  uint32_t size;    // of its data
  bool keyFrame;    // a frame that decodes on its own
};

struct FrameLayout {
  int width = 0;
  int height = 0;
  uint32_t maxChunkBytes = 0;  // a chunk claiming more is not one of ours
};

// The offset of the first whole frame chunk of stream 0 at or after `from` (searched in the
// first few megabytes), or 0 when there is none.
uint64_t FindFirstFrameChunk(const FileReader& file, uint64_t from, const FrameLayout& layout);
// The whole chunks from `start` on, stopping before the first torn or foreign one (an index, a
// chunk reaching past the end, garbage). "JUNK" padding between chunks is passed over. A chunk
// whole on disk whose picture data is torn (a power cut can leave a file's last blocks unwritten
// within its length) is kept as an empty position, so that the timing stays and decoders read
// every picture that is kept.
std::vector<FrameChunk> ScanFrameChunks(const FileReader& file, uint64_t start,
                                        const FrameLayout& layout);

// How a chunk's data reads as an MS Video 1 (16-bit) frame: Torn when it ends before its codes
// have covered every 4 x 4 block (decoders report such a frame as an error), Key when it covers
// them without a skip code, so that it needs no earlier frame, and Whole otherwise.
enum class Msvc1Frame { Torn, Whole, Key };
Msvc1Frame ReadMsvc1Frame(const uint8_t* data, size_t size, int width, int height);
inline bool Msvc1IsKeyFrame(const uint8_t* data, size_t size, int width, int height) {
  return ReadMsvc1Frame(data, size, width, height) == Msvc1Frame::Key;
}
