// MS Video 1 (16-bit) encoder: RGB555 bottom-up frames in, compressed frames out.
// Shared by the screen recorder's compressor driver and the test writer of the testbed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class SliceWorkers;

class Msvc1Encoder {
public:
  // quality 0..10000 as in AVICOMPRESSOPTIONS: from 7000 up, an error bound that shrinks to
  // none at 10000 chooses the codes; below 7000, squared error plus a weight per byte that grows
  // as the quality falls (changed blocks may then keep what the decoder shows). The block
  // rows are coded in slices on `threads` threads (0: one per processor); the output does not
  // depend on the number of threads.
  Msvc1Encoder(int width, int height, int quality, int threads = 0);
  ~Msvc1Encoder();

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Quality() const { return quality_; }
  int Threads() const;
  // Takes effect from the next frame, which is a key frame when the quality crosses 7000.
  void SetQuality(int quality);
  // Upper bound of one compressed frame in bytes.
  size_t MaxFrameBytes() const;
  // Encodes one frame; rows are bottom-up with a stride of ((width * 2 + 3) & ~3) bytes.
  // A key frame is made when asked or when there is no previous frame; *isKeyFrame tells.
  // Returns the number of bytes written to `out` (at least MaxFrameBytes() long).
  size_t Encode(const uint8_t* pixels, uint8_t* out, bool keyFrame, bool* isKeyFrame);
  // The next frame will be a key frame.
  void Reset() { havePrevious_ = false; }
  // What a decoder shows after the last frame (same layout as the input), kept below quality
  // msvc1::kCostQualityBelow only, where blocks may be kept although their pixels changed;
  // empty at higher qualities.
  const std::vector<uint8_t>& Reconstruction() const { return shown_; }

private:
  // The coded blocks of a run of block rows: the skipped blocks before the first coded block,
  // the codes from the first to the last coded block, and the skipped blocks after it. Slices
  // are joined by merging the skips at their borders, as one pass over the frame would have.
  struct Slice {
    int firstRow = 0, endRow = 0;
    int leadingSkips = 0, trailingSkips = 0;
    bool coded = false;  // false: every block was skipped (all counted in leadingSkips)
    std::vector<uint8_t> codes;
    size_t size = 0;
    std::vector<uint8_t> changed;  // per block of the row being coded
    std::vector<uint8_t> scratch;  // FindChangedBlocks's differences, one byte per byte of a line
  };

  void EncodeSlice(const uint8_t* pixels, bool key, Slice& slice);
  // The same below msvc1::kCostQualityBelow: each changed block is coded, or kept as shown,
  // by its squared error plus lambda per byte, and shown_ follows what the decoder shows.
  void EncodeSliceByCost(const uint8_t* pixels, bool key, Slice& slice);
  // Marks the blocks of a block row that differ from the previous frame; false when none does.
  bool FindChangedBlocks(const uint8_t* band, const uint8_t* previousBand, int lines, uint8_t* changed,
                         uint8_t* scratch) const;
  // Copies block (column, row) in bitstream order, repeating the last column and row of the
  // picture where the block reaches beyond it.
  void GatherBlock(const uint8_t* pixels, int column, int row, uint16_t block[16]) const;
  // Writes a block's pixels that lie inside the picture.
  void ScatterBlock(const uint16_t block[16], int column, int row, uint8_t* pixels) const;
  // A slice's coding begins with no code and every block taken as changed (for key frames).
  static void BeginSlice(Slice& slice);
  // Before a block's code: the skips before it, or, for the slice's first code, its leading
  // skips noted for the join of the slices.
  static uint8_t* PutSkipsBeforeCode(Slice& slice, uint8_t* cursor, int& skipped);
  // Notes the skips after the slice's last code and the size of its codes.
  static void EndSlice(Slice& slice, const uint8_t* cursor, int skipped);

  int width_;
  int height_;
  int quality_;
  int errorBound_;
  int lambda16_;
  bool byCost_ = false;  // the previous frame was coded by cost
  size_t stride_;
  int blockColumns_;
  int blockRows_;
  std::vector<uint8_t> previous_;  // the last input frame; unchanged blocks are skipped
  std::vector<uint8_t> shown_;     // see Reconstruction()
  bool havePrevious_ = false;
  std::vector<Slice> slices_;
  std::unique_ptr<SliceWorkers> workers_;
};
