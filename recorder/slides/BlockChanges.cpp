#include "recorder/slides/BlockChanges.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

void BlockBox::Add(int column, int row) {
  if (Empty()) {
    *this = {column, row, column + 1, row + 1};
    return;
  }
  left = std::min(left, column);
  top = std::min(top, row);
  right = std::max(right, column + 1);
  bottom = std::max(bottom, row + 1);
}

void BlockBox::Add(const BlockBox& other) {
  if (other.Empty()) return;
  if (Empty()) {
    *this = other;
    return;
  }
  left = std::min(left, other.left);
  top = std::min(top, other.top);
  right = std::max(right, other.right);
  bottom = std::max(bottom, other.bottom);
}

BlockBox BlocksOfPixels(int x0, int y0, int x1, int y1) {
  if (x1 <= x0 || y1 <= y0) return {};
  return {x0 / kBlockSide, y0 / kBlockSide, (x1 + kBlockSide - 1) / kBlockSide, (y1 + kBlockSide - 1) / kBlockSide};
}

namespace {
// Calls found(column) for each block column in which the two rows differ: 16 bytes (two blocks)
// at a time, the pixels past the last whole 8 one by one.
template <class Found>
inline void RowDifferences(const uint8_t* a, const uint8_t* b, int width, Found found) {
  const int wholePixels = width & ~7;
  for (int x = 0; x < wholePixels; x += 8) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 2 * x));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 2 * x));
    const int same = _mm_movemask_epi8(_mm_cmpeq_epi8(va, vb));
    if (same == 0xFFFF) continue;
    if ((same & 0x00FF) != 0x00FF) found(x / kBlockSide, x);
    if ((same & 0xFF00) != 0xFF00) found(x / kBlockSide + 1, x + 4);
  }
  for (int x = wholePixels; x < width; ++x) {
    if (std::memcmp(a + 2 * x, b + 2 * x, 2) != 0) found(x / kBlockSide, x - x % kBlockSide);
  }
}

// The pixels of block column `column` that lie in a row `width` pixels wide.
inline int PixelsOfBlock(int firstPixel, int width) { return std::min(kBlockSide, width - firstPixel); }
}  // namespace

void TakeChangedBlocks(const uint8_t* now, uint8_t* last, const PictureShape& shape, size_t from,
                       ChangedBlocks& changed) {
  changed.Clear();
  const int columns = shape.Columns();
  // Each block is listed once: the block row's stamp on a column says it is listed already.
  std::vector<int> listedInRow(static_cast<size_t>(columns), -1);
  const size_t firstRow = shape.stride ? from / shape.stride : 0;
  for (size_t memoryRow = firstRow; memoryRow < static_cast<size_t>(shape.height); ++memoryRow) {
    const int blockRow = (shape.height - 1 - static_cast<int>(memoryRow)) / kBlockSide;
    const uint8_t* a = now + memoryRow * shape.stride;
    uint8_t* b = last + memoryRow * shape.stride;
    RowDifferences(a, b, shape.width, [&](int column, int firstPixel) {
      std::memcpy(b + 2 * firstPixel, a + 2 * firstPixel, 2 * PixelsOfBlock(firstPixel, shape.width));
      if (listedInRow[column] == blockRow) return;
      listedInRow[column] = blockRow;
      if (changed.blocks.size() < changed.limit) {
        changed.blocks.push_back(static_cast<uint32_t>(blockRow) * columns + column);
      } else {
        changed.many = true;
      }
    });
    if (changed.many) {
      // Past the limit the blocks no longer count: the rest is brought up to date as it is.
      const size_t next = (memoryRow + 1) * shape.stride, end = shape.stride * shape.height;
      if (next < end) std::memcpy(last + next, now + next, end - next);
      return;
    }
  }
}

uint32_t CountDifferentBlocks(const uint8_t* a, const uint8_t* b, const PictureShape& shape, const BlockBox& skip) {
  const int columns = shape.Columns();
  std::vector<int> countedInRow(static_cast<size_t>(columns), -1);
  uint32_t count = 0;
  for (int memoryRow = 0; memoryRow < shape.height; ++memoryRow) {
    const int blockRow = (shape.height - 1 - memoryRow) / kBlockSide;
    const size_t offset = static_cast<size_t>(memoryRow) * shape.stride;
    RowDifferences(a + offset, b + offset, shape.width, [&](int column, int) {
      if (countedInRow[column] == blockRow || skip.Holds(column, blockRow)) return;
      countedInRow[column] = blockRow;
      ++count;
    });
  }
  return count;
}
