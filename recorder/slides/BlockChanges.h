// Which 4x4 blocks of a 16-bit screen picture changed: against the picture before (which is
// brought up to date as it is read, so that one pass serves both) or against a kept picture.
// Pictures are bottom-up DIB rows; block rows count from the top of the screen.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int kBlockSide = 4;

// A rectangle of blocks, right and bottom exclusive; empty when it holds no block.
struct BlockBox {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return left >= right || top >= bottom; }
  bool Holds(int column, int row) const { return column >= left && column < right && row >= top && row < bottom; }
  int Width() const { return Empty() ? 0 : right - left; }
  int Height() const { return Empty() ? 0 : bottom - top; }
  void Add(int column, int row);
  void Add(const BlockBox& other);
};

// The blocks that hold the pixel rectangle [x0, x1) x [y0, y1) (top-down screen pixels).
BlockBox BlocksOfPixels(int x0, int y0, int x1, int y1);

// The size of a 16-bit picture.
struct PictureShape {
  int width = 0, height = 0;
  size_t stride = 0;  // bytes of a row
  int Columns() const { return (width + kBlockSide - 1) / kBlockSide; }
  int Rows() const { return (height + kBlockSide - 1) / kBlockSide; }
  int Blocks() const { return Columns() * Rows(); }
};

// The changed blocks of one picture, up to a limit: a change larger than that is only known as
// large, which is all that a rule about small changes needs.
struct ChangedBlocks {
  explicit ChangedBlocks(size_t limit = 1024) : limit(limit) {}
  size_t limit;
  bool many = false;
  std::vector<uint32_t> blocks;  // row * columns + column
  void Clear() {
    many = false;
    blocks.clear();
  }
};

// Compares `now` with `last` from byte `from` on (everything before it is known to be equal),
// lists the changed blocks and copies the changed pixels into `last`; once the list is full, the
// rest of the picture is copied without looking.
void TakeChangedBlocks(const uint8_t* now, uint8_t* last, const PictureShape& shape, size_t from,
                       ChangedBlocks& changed);

// How many blocks of `a` and `b` differ, those in `skip` left out.
uint32_t CountDifferentBlocks(const uint8_t* a, const uint8_t* b, const PictureShape& shape, const BlockBox& skip);
