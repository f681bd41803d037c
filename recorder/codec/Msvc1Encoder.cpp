#include "recorder/codec/Msvc1Encoder.h"

#include "recorder/codec/Msvc1Block.h"
#include "recorder/codec/SliceWorkers.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace {

inline uint8_t* Put16(uint8_t* out, unsigned value) {
  out[0] = uint8_t(value);
  out[1] = uint8_t(value >> 8);
  return out + 2;
}

// Writes `count` skipped blocks as skip codes of at most 1023 blocks each.
uint8_t* PutSkips(uint8_t* out, int count) {
  while (count > 0) {
    const int run = std::min(count, msvc1::kMaxSkipRun);
    out = Put16(out, msvc1::kSkipCode + run);
    count -= run;
  }
  return out;
}

// Slices per thread: more slices than threads even out rows that cost more than others.
constexpr int kSlicesPerThread = 4;

}  // namespace

Msvc1Encoder::Msvc1Encoder(int width, int height, int quality, int threads)
    : width_(width),
      height_(height),
      stride_((size_t(width) * 2 + 3) & ~size_t(3)),
      blockColumns_((width + 3) / 4),
      blockRows_((height + 3) / 4),
      previous_(stride_ * size_t(height)),
      workers_(std::make_unique<SliceWorkers>(threads)) {
  SetQuality(quality);
  const int count = workers_->Threads() == 1 ? 1 : std::min(blockRows_, workers_->Threads() * kSlicesPerThread);
  slices_.resize(size_t(std::max(1, count)));
  for (int i = 0; i < int(slices_.size()); ++i) {
    Slice& slice = slices_[size_t(i)];
    slice.firstRow = int(int64_t(blockRows_) * i / int64_t(slices_.size()));
    slice.endRow = int(int64_t(blockRows_) * (i + 1) / int64_t(slices_.size()));
    slice.codes.resize(size_t(slice.endRow - slice.firstRow) * size_t(blockColumns_) * msvc1::kMaxBlockBytes);
    slice.changed.resize(size_t(blockColumns_));
    slice.scratch.resize(size_t(blockColumns_) * 8 + 16);
  }
}

Msvc1Encoder::~Msvc1Encoder() = default;

int Msvc1Encoder::Threads() const { return workers_->Threads(); }

void Msvc1Encoder::SetQuality(int quality) {
  quality_ = std::clamp(quality, 0, 10000);
  errorBound_ = msvc1::ErrorBoundForQuality(quality_);
  lambda16_ = msvc1::LambdaForQuality(quality_);
}

size_t Msvc1Encoder::MaxFrameBytes() const {
  return size_t(blockColumns_) * size_t(blockRows_) * msvc1::kMaxBlockBytes;
}

void Msvc1Encoder::GatherBlock(const uint8_t* pixels, int column, int row, uint16_t block[16]) const {
  const int x0 = column * 4, y0 = row * 4;
  if (x0 + 4 <= width_ && y0 + 4 <= height_) {
    for (int r = 0; r < 4; ++r) std::memcpy(block + 4 * r, pixels + (y0 + r) * stride_ + x0 * 2, 8);
    return;
  }
  // A partial block at the right or top edge is coded from the picture padded by repetition.
  for (int r = 0; r < 4; ++r) {
    const uint8_t* line = pixels + std::min(y0 + r, height_ - 1) * stride_;
    for (int c = 0; c < 4; ++c)
      std::memcpy(block + 4 * r + c, line + std::min(x0 + c, width_ - 1) * 2, 2);
  }
}

void Msvc1Encoder::ScatterBlock(const uint16_t block[16], int column, int row, uint8_t* pixels) const {
  const int x0 = column * 4, y0 = row * 4;
  const int columns = std::min(4, width_ - x0), lines = std::min(4, height_ - y0);
  for (int r = 0; r < lines; ++r) std::memcpy(pixels + (y0 + r) * stride_ + x0 * 2, block + 4 * r, size_t(columns) * 2);
}

void Msvc1Encoder::BeginSlice(Slice& slice) {
  slice.coded = false;
  slice.leadingSkips = 0;
  std::fill(slice.changed.begin(), slice.changed.end(), uint8_t(1));
}

uint8_t* Msvc1Encoder::PutSkipsBeforeCode(Slice& slice, uint8_t* cursor, int& skipped) {
  if (slice.coded) {
    cursor = PutSkips(cursor, skipped);
  } else {
    slice.leadingSkips = skipped;
    slice.coded = true;
  }
  skipped = 0;
  return cursor;
}

void Msvc1Encoder::EndSlice(Slice& slice, const uint8_t* cursor, int skipped) {
  if (slice.coded) {
    slice.trailingSkips = skipped;
  } else {
    slice.leadingSkips = skipped;
    slice.trailingSkips = 0;
  }
  slice.size = size_t(cursor - slice.codes.data());
}

bool Msvc1Encoder::FindChangedBlocks(const uint8_t* band, const uint8_t* previousBand, int lines,
                                     uint8_t* changed, uint8_t* scratch) const {
  // Line by line, so that each line is read straight through: the differences of each pair of
  // blocks gather in 16 bytes of `scratch`, whose two halves then tell the two blocks.
  const int fullColumns = width_ / 4;
  int any = 0;
  int column = 0;
  const int pairs = fullColumns / 2;
  uint8_t* difference = scratch;
  for (int r = 0; r < lines; ++r) {
    const uint8_t* a = band + r * stride_;
    const uint8_t* b = previousBand + r * stride_;
    for (int pair = 0; pair < pairs; ++pair) {
      const __m128i d = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 16 * pair)),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 16 * pair)));
      __m128i* at = reinterpret_cast<__m128i*>(difference + 16 * pair);
      _mm_storeu_si128(at, r == 0 ? d : _mm_or_si128(_mm_loadu_si128(at), d));
    }
  }
  for (int pair = 0; pair < pairs; ++pair, column += 2) {
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(difference + 16 * pair));
    const int differs = ~_mm_movemask_epi8(_mm_cmpeq_epi8(d, _mm_setzero_si128())) & 0xFFFF;
    changed[column] = (differs & 0x00FF) != 0;
    changed[column + 1] = (differs & 0xFF00) != 0;
    any |= differs;
  }
  // The last single block and a block cut off by the right edge.
  for (; column < blockColumns_; ++column) {
    const size_t bytes = size_t(std::min(4, width_ - column * 4)) * 2;
    bool differs = false;
    for (int r = 0; r < lines && !differs; ++r) {
      const size_t at = r * stride_ + size_t(column) * 8;
      differs = std::memcmp(band + at, previousBand + at, bytes) != 0;
    }
    changed[column] = differs;
    any |= int(differs);
  }
  return any != 0;
}

void Msvc1Encoder::EncodeSlice(const uint8_t* pixels, bool key, Slice& slice) {
  const size_t rowBytes = size_t(width_) * 2;
  uint8_t* cursor = slice.codes.data();
  int skipped = 0;
  BeginSlice(slice);
  uint16_t block[16];
  std::vector<uint8_t>& changed = slice.changed;
  for (int row = slice.firstRow; row < slice.endRow; ++row) {
    const int lines = std::min(4, height_ - row * 4);
    const uint8_t* band = pixels + size_t(row) * 4 * stride_;
    uint8_t* previousBand = previous_.data() + size_t(row) * 4 * stride_;
    if (!key && !FindChangedBlocks(band, previousBand, lines, changed.data(), slice.scratch.data())) {
      skipped += blockColumns_;
      continue;
    }
    bool bandChanged = false;
    for (int column = 0; column < blockColumns_; ++column) {
      if (!changed[size_t(column)]) {
        ++skipped;
        continue;
      }
      bandChanged = true;
      cursor = PutSkipsBeforeCode(slice, cursor, skipped);
      GatherBlock(pixels, column, row, block);
      cursor += msvc1::EncodeBlock(block, errorBound_, cursor);
    }
    if (bandChanged)
      for (int r = 0; r < lines; ++r) std::memcpy(previousBand + r * stride_, band + r * stride_, rowBytes);
  }
  EndSlice(slice, cursor, skipped);
}

void Msvc1Encoder::EncodeSliceByCost(const uint8_t* pixels, bool key, Slice& slice) {
  const size_t rowBytes = size_t(width_) * 2;
  uint8_t* cursor = slice.codes.data();
  int skipped = 0;
  BeginSlice(slice);
  uint16_t block[16], shown[16];
  uint8_t code[msvc1::kMaxBlockBytes];
  std::vector<uint8_t>& changed = slice.changed;
  for (int row = slice.firstRow; row < slice.endRow; ++row) {
    const int lines = std::min(4, height_ - row * 4);
    const uint8_t* band = pixels + size_t(row) * 4 * stride_;
    uint8_t* previousBand = previous_.data() + size_t(row) * 4 * stride_;
    if (!key && !FindChangedBlocks(band, previousBand, lines, changed.data(), slice.scratch.data())) {
      skipped += blockColumns_;
      continue;
    }
    // A kept block after a coded one starts a skip run of 2 bytes; later ones in the run are
    // free. Each row starts afresh, so that the choice does not depend on the slices.
    bool afterKept = false;
    for (int column = 0; column < blockColumns_; ++column) {
      // An unchanged block keeps what it shows: that was chosen for these very pixels.
      if (!changed[size_t(column)]) {
        ++skipped;
        afterKept = true;
        continue;
      }
      GatherBlock(pixels, column, row, block);
      msvc1::SkipOption skip;
      if (!key) {
        GatherBlock(shown_.data(), column, row, shown);
        skip.error = msvc1::BlockError(block, shown);
        skip.bytes = afterKept ? 0 : 2;
      }
      int error = 0;
      const size_t bytes = msvc1::EncodeBlockByCost(block, lambda16_, skip, code, &error);
      afterKept = bytes == 0;
      if (afterKept) {
        ++skipped;
        continue;
      }
      cursor = PutSkipsBeforeCode(slice, cursor, skipped);
      std::memcpy(cursor, code, bytes);
      cursor += bytes;
      msvc1::DecodeBlock(code, shown);
      ScatterBlock(shown, column, row, shown_.data());
    }
    for (int r = 0; r < lines; ++r) std::memcpy(previousBand + r * stride_, band + r * stride_, rowBytes);
  }
  EndSlice(slice, cursor, skipped);
}

size_t Msvc1Encoder::Encode(const uint8_t* pixels, uint8_t* out, bool keyFrame, bool* isKeyFrame) {
  // Switching between the two ways makes a key frame: the other way's frame was not tracked.
  const bool byCost = quality_ < msvc1::kCostQualityBelow;
  const bool key = keyFrame || !havePrevious_ || byCost != byCost_;
  byCost_ = byCost;
  if (byCost && shown_.empty()) shown_.resize(previous_.size());
  if (!byCost && !shown_.empty()) std::vector<uint8_t>().swap(shown_);
  auto encode = [&](Slice& slice) {
    if (byCost)
      EncodeSliceByCost(pixels, key, slice);
    else
      EncodeSlice(pixels, key, slice);
  };
  if (slices_.size() == 1) {
    encode(slices_[0]);
  } else {
    workers_->Run(int(slices_.size()), [&](int i) { encode(slices_[size_t(i)]); });
  }
  uint8_t* cursor = out;
  int skipped = 0;
  for (const Slice& slice : slices_) {
    skipped += slice.leadingSkips;
    if (!slice.coded) continue;
    cursor = PutSkips(cursor, skipped);
    std::memcpy(cursor, slice.codes.data(), slice.size);
    cursor += slice.size;
    skipped = slice.trailingSkips;
  }
  cursor = PutSkips(cursor, skipped);
  havePrevious_ = true;
  if (isKeyFrame) *isKeyFrame = key;
  return size_t(cursor - out);
}
