#include "tests/codec/RoundTripCases.h"

#include <algorithm>

namespace {

// Pastes the cells of `source` inside a cell-aligned rectangle (in cells, counted from the
// bottom-left, as the blocks of the bitstream are) into `target`.
void PasteCells(TestFrame& target, const TestFrame& source, int cellX, int cellY, int cellsWide, int cellsHigh) {
  for (int yb = cellY * 2; yb < (cellY + cellsHigh) * 2 && yb < target.height; ++yb)
    for (int x = cellX * 2; x < (cellX + cellsWide) * 2 && x < target.width; ++x)
      target.At(x, target.height - 1 - yb) = source.At(x, target.height - 1 - yb);
}

}  // namespace

const std::vector<RoundTripCase>& RoundTripCases() {
  static const std::vector<RoundTripCase> cases = {
      // At quality 10000 a picture with two colours per 2x2 cell comes back exactly.
      {"exact_64x48", 64, 48, 8, 3, 10000, Content::ExactCells, 100},
      {"exact_37x23", 37, 23, 6, 4, 10000, Content::ExactCells, 100},
      // Solid blocks, half of them with red 1, whose fill word would read as a skip code.
      {"solid_blocks_66x34", 66, 34, 3, 2, 10000, Content::SolidBlocks, 100},
      {"exact_1366x768", 1366, 768, 4, 200, 10000, Content::ExactCells, 100},
      // Quality 8000 allows a root-mean-square error of 0.8 steps of 5 bits per block and
      // channel, about 6.6 of 255: 31.7 dB wherever eight colours can meet the bound.
      {"natural_1366x766", 1366, 766, 5, 200, 8000, Content::Natural, 31.5},
      {"slide_1366x768", 1366, 768, 10, 200, 8000, Content::SlideWithPointer, 31.5},
      {"still_1366x768", 1366, 768, 12, 5, 8000, Content::Still, 31.5},
      // Below quality 7000 changed blocks may be kept as shown: the decoded pictures must be the
      // encoder's own reconstruction, across key frames and partial blocks.
      {"panning_cost_322x186", 322, 186, 16, 7, 3000, Content::Panning, 26.5},
      {"panning_cost_1366x766", 1366, 766, 6, 200, 0, Content::Panning, 22},
  };
  return cases;
}

TestFrame RoundTripFrame(const RoundTripCase& c, int index) {
  switch (c.content) {
    case Content::ExactCells: {
      TestFrame frame = TwoColourCells(c.width, c.height, 1);
      if (index > 0) {
        // A changed patch that moves, so delta frames hold both skipped and coded blocks.
        const TestFrame patch = TwoColourCells(c.width, c.height, 100 + index);
        PasteCells(frame, patch, (index * 3) % std::max(1, c.width / 2), index % std::max(1, c.height / 2), 5, 3);
      }
      return frame;
    }
    case Content::SolidBlocks: {
      TestFrame frame = MakeFrame(c.width, c.height);
      for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
          const int block = (x / 4) + (c.height - 1 - y) / 4 * 17 + index * 5;
          const int red = block % 2 ? 1 : block % 32;
          frame.At(x, y) = uint16_t((red << 10) | ((block * 7) % 32) << 5 | (block * 13) % 32);
        }
      return frame;
    }
    case Content::Natural:
      return NaturalPicture(c.width, c.height, index);
    case Content::SlideWithPointer: {
      TestFrame frame = SlidePicture(c.width, c.height);
      DrawPointer(frame, c.width - 9 - index * 37, c.height - 5 - index * 23);
      return frame;
    }
    case Content::Panning: {
      // A picture moving by three pixels a frame, with a pointer that passes over it.
      TestFrame frame = NaturalPicture(c.width, c.height, index);
      DrawPointer(frame, (index * 29) % c.width, c.height / 2);
      return frame;
    }
    case Content::Still: {
      TestFrame frame = SlidePicture(c.width, c.height);
      DrawPointer(frame, c.width - 5, c.height - 7);  // clipped at the corner
      return frame;
    }
  }
  return {};
}

bool ExpectKeyFrame(const RoundTripCase& c, int index) {
  return index == 0 || (c.keyFrameEvery > 0 && index % int(c.keyFrameEvery) == 0);
}
