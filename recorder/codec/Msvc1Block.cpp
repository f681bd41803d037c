#include "recorder/codec/Msvc1Block.h"

#include <utility>

namespace msvc1 {
namespace {

// In a two- or eight-colour block a set flag bit gives a pixel the first colour of its pair.
// Pixel i of the block is bit i of the flags word; in an eight-colour block the pairs follow
// the quadrants bottom-left, bottom-right, top-left, top-right.
constexpr unsigned kQuadrantBits[4] = {0x0033, 0x00CC, 0x3300, 0xCC00};
constexpr int kQuadrantPixels[4][4] = {{0, 1, 4, 5}, {2, 3, 6, 7}, {8, 9, 12, 13}, {10, 11, 14, 15}};

inline void Put16(uint8_t* out, unsigned value) {
  out[0] = uint8_t(value);
  out[1] = uint8_t(value >> 8);
}

inline uint16_t Pack(int r, int g, int b) { return uint16_t((r << 10) | (g << 5) | b); }

// Rounded mean of `count` values summing to `sum`.
inline int RoundedMean(int sum, int count) { return (2 * sum + count) / (2 * count); }

struct Pixels {
  int r[16], g[16], b[16];
};

inline int Distance(const Pixels& p, int i, int r, int g, int b) {
  const int dr = p.r[i] - r, dg = p.g[i] - g, db = p.b[i] - b;
  return dr * dr + dg * dg + db * db;
}

size_t WriteFill(uint16_t colour, uint8_t* out) {
  const unsigned word = kFillFlag | colour;
  if ((word & 0xFC00) == kSkipCode) {
    // A fill word with red 1 would read as a skip code: two equal colours say the same.
    Put16(out, 0x0001);
    Put16(out + 2, colour);
    Put16(out + 4, colour);
    return 6;
  }
  Put16(out, word);
  return 2;
}

// Pixels whose bit is set in `mask` take `setColour`, the others `clearColour`.
size_t WriteTwo(uint16_t setColour, uint16_t clearColour, unsigned mask, uint8_t* out) {
  // The flags word must stay below 0x8000 (else it reads as a fill or skip code).
  if (mask & 0x8000) {
    std::swap(setColour, clearColour);
    mask ^= 0xFFFF;
  }
  if (mask == 0) return WriteFill(clearColour, out);
  Put16(out, mask);
  Put16(out + 2, setColour);
  Put16(out + 4, clearColour);
  return 6;
}

struct Pair {
  uint16_t setColour, clearColour;
};

size_t WriteEight(Pair pairs[4], unsigned mask, uint8_t* out) {
  // Bit 15 belongs to the top-right quadrant; a zero flags word could read as the end of data.
  if (mask & 0x8000) {
    std::swap(pairs[3].setColour, pairs[3].clearColour);
    mask ^= kQuadrantBits[3];
  }
  if (mask == 0) {
    std::swap(pairs[0].setColour, pairs[0].clearColour);
    mask ^= kQuadrantBits[0];
  }
  Put16(out, mask);
  for (int q = 0; q < 4; ++q) {
    const unsigned first = q == 0 ? (pairs[q].setColour | kEightColourFlag) : pairs[q].setColour;
    Put16(out + 2 + 4 * q, first);
    Put16(out + 4 + 4 * q, pairs[q].clearColour);
  }
  return 18;
}

// Two colours for the pixels listed in `index`: seeds at the two far ends of the group, then
// one refinement of the split. Bit k of `mask` marks the pixels of the set colour, k being the
// pixel's own number in the block. Returns the sum of squared errors.
int SplitTwo(const Pixels& p, const int* index, int count, Pair& pair, unsigned& mask) {
  int sumR = 0, sumG = 0, sumB = 0;
  for (int k = 0; k < count; ++k) {
    sumR += p.r[index[k]];
    sumG += p.g[index[k]];
    sumB += p.b[index[k]];
  }
  const int meanR = RoundedMean(sumR, count), meanG = RoundedMean(sumG, count),
            meanB = RoundedMean(sumB, count);
  int far = index[0], farDistance = -1;
  for (int k = 0; k < count; ++k) {
    const int d = Distance(p, index[k], meanR, meanG, meanB);
    if (d > farDistance) farDistance = d, far = index[k];
  }
  int other = index[0], otherDistance = -1;
  for (int k = 0; k < count; ++k) {
    const int d = Distance(p, index[k], p.r[far], p.g[far], p.b[far]);
    if (d > otherDistance) otherDistance = d, other = index[k];
  }
  int aR = p.r[far], aG = p.g[far], aB = p.b[far];
  int bR = p.r[other], bG = p.g[other], bB = p.b[other];
  unsigned setBits = 0;
  for (int pass = 0; pass < 2; ++pass) {
    // A pixel is nearer to a than to b when 2 p.(a - b) > |a|^2 - |b|^2.
    const int dR = aR - bR, dG = aG - bG, dB = aB - bB;
    const int threshold = (aR * aR + aG * aG + aB * aB) - (bR * bR + bG * bG + bB * bB);
    int inA = 0, aSumR = 0, aSumG = 0, aSumB = 0;
    setBits = 0;
    for (int k = 0; k < count; ++k) {
      const int i = index[k];
      if (2 * (p.r[i] * dR + p.g[i] * dG + p.b[i] * dB) > threshold) {
        setBits |= 1u << i;
        ++inA;
        aSumR += p.r[i];
        aSumG += p.g[i];
        aSumB += p.b[i];
      }
    }
    if (inA == 0 || inA == count) break;  // cannot happen with distinct seeds; keep the seeds
    aR = RoundedMean(aSumR, inA), aG = RoundedMean(aSumG, inA), aB = RoundedMean(aSumB, inA);
    bR = RoundedMean(sumR - aSumR, count - inA), bG = RoundedMean(sumG - aSumG, count - inA),
    bB = RoundedMean(sumB - aSumB, count - inA);
  }
  int error = 0;
  for (int k = 0; k < count; ++k) {
    const int i = index[k];
    error += (setBits >> i) & 1 ? Distance(p, i, aR, aG, aB) : Distance(p, i, bR, bG, bB);
  }
  pair.setColour = Pack(aR, aG, aB);
  pair.clearColour = Pack(bR, bG, bB);
  mask = setBits;
  return error;
}

// Exact two colours for a quadrant when it has at most two; false otherwise.
bool ExactQuadrant(const uint16_t* colours, int q, Pair& pair, unsigned& mask) {
  const uint16_t clear = colours[kQuadrantPixels[q][0]];
  uint16_t set = clear;
  mask = 0;
  for (int k = 1; k < 4; ++k) {
    const int i = kQuadrantPixels[q][k];
    const uint16_t c = colours[i];
    if (c == clear) continue;
    if (set == clear) set = c;
    if (c != set) return false;
    mask |= 1u << i;
  }
  pair.setColour = set;
  pair.clearColour = clear;
  return true;
}

}  // namespace

int ErrorBoundForQuality(int quality) {
  if (quality < 0) quality = 0;
  if (quality > 10000) quality = 10000;
  // Allowed root-mean-square error per channel: 4 steps at quality 0, none at 10000.
  const int steps1000 = (10000 - quality) * 4 / 10;  // thousandths of a step
  return int(48LL * steps1000 * steps1000 / 1000000);
}

size_t EncodeBlock(const uint16_t pixels[16], int errorBound, uint8_t* out) {
  uint16_t colours[16];
  for (int i = 0; i < 16; ++i) colours[i] = pixels[i] & 0x7FFF;

  // At most two colours: coded exactly.
  const uint16_t clear = colours[0];
  uint16_t set = clear;
  unsigned mask = 0;
  bool exact = true;
  for (int i = 1; i < 16; ++i) {
    const uint16_t c = colours[i];
    if (c == clear) continue;
    if (set == clear) set = c;
    if (c != set) {
      exact = false;
      break;
    }
    mask |= 1u << i;
  }
  if (exact) return mask == 0 ? WriteFill(clear, out) : WriteTwo(set, clear, mask, out);

  Pixels p;
  int sumR = 0, sumG = 0, sumB = 0;
  for (int i = 0; i < 16; ++i) {
    p.r[i] = colours[i] >> 10;
    p.g[i] = (colours[i] >> 5) & 31;
    p.b[i] = colours[i] & 31;
    sumR += p.r[i];
    sumG += p.g[i];
    sumB += p.b[i];
  }
  if (errorBound > 0) {
    const int r = RoundedMean(sumR, 16), g = RoundedMean(sumG, 16), b = RoundedMean(sumB, 16);
    int error = 0;
    for (int i = 0; i < 16; ++i) error += Distance(p, i, r, g, b);
    if (error <= errorBound) return WriteFill(Pack(r, g, b), out);
  }

  static constexpr int kAll[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  Pair two;
  unsigned twoMask;
  const int twoError = SplitTwo(p, kAll, 16, two, twoMask);
  if (twoError <= errorBound) return WriteTwo(two.setColour, two.clearColour, twoMask, out);

  Pair pairs[4];
  unsigned eightMask = 0;
  int eightError = 0;
  for (int q = 0; q < 4; ++q) {
    unsigned quadrantMask;
    if (!ExactQuadrant(colours, q, pairs[q], quadrantMask))
      eightError += SplitTwo(p, kQuadrantPixels[q], 4, pairs[q], quadrantMask);
    eightMask |= quadrantMask;
  }
  if (eightError < twoError) return WriteEight(pairs, eightMask, out);
  return WriteTwo(two.setColour, two.clearColour, twoMask, out);
}

}  // namespace msvc1
