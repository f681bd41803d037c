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
  int r[16], g[16], b[16], squares[16];
};

// Channel sums and the sum of squares of a group of pixels.
struct Sums {
  int count = 0, r = 0, g = 0, b = 0, squares = 0;
};

// Sum of squared errors of a group against the rounded means (mr, mg, mb), from its sums alone:
// sum |p - m|^2 = sum |p|^2 - 2 m . sum p + n |m|^2.
inline int GroupError(const Sums& s, int mr, int mg, int mb) {
  return s.squares - 2 * (mr * s.r + mg * s.g + mb * s.b) + s.count * (mr * mr + mg * mg + mb * mb);
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

// Two colours for the pixels listed in `index` (whose sums are `all`): split across the line
// from the darkest to the brightest pixel at the mean, then once more between the two means when
// that is not yet within `errorBound`. Bit k of `mask` marks the pixels of the set colour, k being
// the pixel's own number in the block. Returns the sum of squared errors.
int SplitTwo(const Pixels& p, const int* index, const Sums& all, int errorBound, Pair& pair, unsigned& mask) {
  const int count = all.count;
  const int meanR = RoundedMean(all.r, count), meanG = RoundedMean(all.g, count), meanB = RoundedMean(all.b, count);
  int error = GroupError(all, meanR, meanG, meanB);
  pair.setColour = pair.clearColour = Pack(meanR, meanG, meanB);
  mask = 0;

  int darkest = index[0], brightest = index[0];
  int low = 1 << 30, high = -1;
  for (int k = 0; k < count; ++k) {
    const int i = index[k];
    const int luma = p.r[i] + 2 * p.g[i] + p.b[i];
    if (luma < low) low = luma, darkest = i;
    if (luma > high) high = luma, brightest = i;
  }
  // A pixel takes the set colour when scale * d.p > threshold.
  int dR = p.r[brightest] - p.r[darkest], dG = p.g[brightest] - p.g[darkest], dB = p.b[brightest] - p.b[darkest];
  int scale = count, threshold = dR * all.r + dG * all.g + dB * all.b;
  for (int pass = 0; pass < 2 && error > errorBound; ++pass) {
    Sums set;
    unsigned bits = 0;
    for (int k = 0; k < count; ++k) {
      const int i = index[k];
      // Without branches: on noisy pictures the side of the line is unpredictable.
      const int take = -int(scale * (p.r[i] * dR + p.g[i] * dG + p.b[i] * dB) > threshold);
      bits |= unsigned(take & 1) << i;
      set.count -= take;
      set.r += p.r[i] & take;
      set.g += p.g[i] & take;
      set.b += p.b[i] & take;
      set.squares += p.squares[i] & take;
    }
    if (set.count == 0 || set.count == count) break;  // all pixels alike along this line
    Sums clear;
    clear.count = count - set.count;
    clear.r = all.r - set.r, clear.g = all.g - set.g, clear.b = all.b - set.b;
    clear.squares = all.squares - set.squares;
    const int aR = RoundedMean(set.r, set.count), aG = RoundedMean(set.g, set.count),
              aB = RoundedMean(set.b, set.count);
    const int bR = RoundedMean(clear.r, clear.count), bG = RoundedMean(clear.g, clear.count),
              bB = RoundedMean(clear.b, clear.count);
    const int candidate = GroupError(set, aR, aG, aB) + GroupError(clear, bR, bG, bB);
    if (candidate >= error) break;
    error = candidate;
    pair.setColour = Pack(aR, aG, aB);
    pair.clearColour = Pack(bR, bG, bB);
    mask = bits;
    // A refinement seldom gains more than half; far above the bound, eight colours are needed anyway.
    if (error > 2 * errorBound && count == 16) break;
    // Next split between the two means: 2 d.p > d.(a + b) with d = a - b.
    dR = aR - bR, dG = aG - bG, dB = aB - bB;
    scale = 2;
    threshold = dR * (aR + bR) + dG * (aG + bG) + dB * (aB + bB);
  }
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

  // Channels and sums, quadrant by quadrant.
  Pixels p;
  Sums quadrant[4], all;
  for (int q = 0; q < 4; ++q) {
    Sums& s = quadrant[q];
    s.count = 4;
    for (int k = 0; k < 4; ++k) {
      const int i = kQuadrantPixels[q][k];
      const int r = colours[i] >> 10, g = (colours[i] >> 5) & 31, b = colours[i] & 31;
      p.r[i] = r, p.g[i] = g, p.b[i] = b;
      p.squares[i] = r * r + g * g + b * b;
      s.r += r, s.g += g, s.b += b, s.squares += p.squares[i];
    }
    all.r += s.r, all.g += s.g, all.b += s.b, all.squares += s.squares;
  }
  all.count = 16;

  static constexpr int kAll[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  Pair two;
  unsigned twoMask;
  const int twoError = SplitTwo(p, kAll, all, errorBound, two, twoMask);
  if (twoError <= errorBound) return WriteTwo(two.setColour, two.clearColour, twoMask, out);

  Pair pairs[4];
  unsigned eightMask = 0;
  int eightError = 0;
  for (int q = 0; q < 4; ++q) {
    unsigned quadrantMask;
    if (!ExactQuadrant(colours, q, pairs[q], quadrantMask))
      eightError += SplitTwo(p, kQuadrantPixels[q], quadrant[q], errorBound / 4, pairs[q], quadrantMask);
    eightMask |= quadrantMask;
  }
  if (eightError < twoError) return WriteEight(pairs, eightMask, out);
  return WriteTwo(two.setColour, two.clearColour, twoMask, out);
}

}  // namespace msvc1
