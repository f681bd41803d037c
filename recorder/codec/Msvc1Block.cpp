#include "recorder/codec/Msvc1Block.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// The block's channels as 16-bit lanes: red, green, blue (5 bits each), the sum of their squares
// and a brightness (r + 2g + b) of each pixel, eight pixels to a register.
struct Lanes {
  __m128i r[2], g[2], b[2], squares[2], luma[2];
};

// The channels of 16 RGB555 pixels, their squares and their brightness (r + 2g + b). Always
// inlined: the block coder's hot path must keep these in registers.
__attribute__((always_inline)) inline Lanes ChannelLanes(const __m128i v[2]) {
  Lanes p;
  const __m128i five = _mm_set1_epi16(31);
  for (int h = 0; h < 2; ++h) {
    p.r[h] = _mm_srli_epi16(v[h], 10);
    p.g[h] = _mm_and_si128(_mm_srli_epi16(v[h], 5), five);
    p.b[h] = _mm_and_si128(v[h], five);
    p.squares[h] = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(p.r[h], p.r[h]), _mm_mullo_epi16(p.g[h], p.g[h])),
                                 _mm_mullo_epi16(p.b[h], p.b[h]));
    p.luma[h] = _mm_add_epi16(_mm_add_epi16(p.r[h], p.b[h]), _mm_add_epi16(p.g[h], p.g[h]));
  }
  return p;
}

// Quadrant order: the four pixels of each quadrant side by side (bottom-left, bottom-right in the
// first register; top-left, top-right in the second). Rows are pairs of 32-bit lanes.
inline __m128i QuadrantOrder(__m128i v) { return _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 1, 2, 0)); }

Lanes InQuadrantOrder(const Lanes& p) {
  Lanes q;
  for (int h = 0; h < 2; ++h) {
    q.r[h] = QuadrantOrder(p.r[h]), q.g[h] = QuadrantOrder(p.g[h]), q.b[h] = QuadrantOrder(p.b[h]);
    q.squares[h] = QuadrantOrder(p.squares[h]), q.luma[h] = QuadrantOrder(p.luma[h]);
  }
  return q;
}

// Sum of the sixteen lanes of two registers (each lane at most 2 * 2883, so 16 bits suffice).
inline int SumLanes(__m128i a, __m128i b) {
  __m128i s = _mm_madd_epi16(_mm_add_epi16(a, b), _mm_set1_epi16(1));
  s = _mm_add_epi32(s, _mm_shuffle_epi32(s, _MM_SHUFFLE(1, 0, 3, 2)));
  s = _mm_add_epi32(s, _mm_shuffle_epi32(s, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_cvtsi128_si32(s);
}

// Sums of each group of four lanes of two registers in quadrant order: sums[q] for quadrant q.
inline void SumQuadrants(__m128i a, __m128i b, int sums[4]) {
  const __m128i ones = _mm_set1_epi16(1);
  __m128i sa = _mm_madd_epi16(a, ones), sb = _mm_madd_epi16(b, ones);
  sa = _mm_add_epi32(sa, _mm_shuffle_epi32(sa, _MM_SHUFFLE(2, 3, 0, 1)));
  sb = _mm_add_epi32(sb, _mm_shuffle_epi32(sb, _MM_SHUFFLE(2, 3, 0, 1)));
  alignas(16) int32_t la[4], lb[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(la), sa);
  _mm_store_si128(reinterpret_cast<__m128i*>(lb), sb);
  sums[0] = la[0], sums[1] = la[2], sums[2] = lb[0], sums[3] = lb[2];
}

// One bit per 16-bit lane of two registers of all-ones or all-zero lanes.
inline unsigned LaneBits(__m128i a, __m128i b) { return unsigned(_mm_movemask_epi8(_mm_packs_epi16(a, b))) & 0xFFFF; }

inline unsigned FirstBit(unsigned bits) { return unsigned(__builtin_ctz(bits)); }
inline int CountBits(unsigned bits) { return __builtin_popcount(bits); }

// scale * p > threshold holds for integer p exactly when p > floor(threshold / scale).
inline int16_t Limit(int threshold, int scale) {
  const int floor = threshold >= 0 ? threshold / scale : -((-threshold + scale - 1) / scale);
  return int16_t(std::clamp(floor, -32768, 32767));
}

// Projections of the pixels on d, compared with the lanes of `limit`: all ones where above.
inline void Above(const Lanes& p, __m128i dR, __m128i dG, __m128i dB, __m128i limit, __m128i take[2]) {
  for (int h = 0; h < 2; ++h) {
    const __m128i projection = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(p.r[h], dR), _mm_mullo_epi16(p.g[h], dG)),
                                             _mm_mullo_epi16(p.b[h], dB));
    take[h] = _mm_cmpgt_epi16(projection, limit);
  }
}

// In each group of four lanes, every lane set to the group's smallest (or largest) value.
inline __m128i GroupMin(__m128i x) {
  x = _mm_min_epi16(x, _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, _MM_SHUFFLE(2, 3, 0, 1)), _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_min_epi16(x, _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, _MM_SHUFFLE(1, 0, 3, 2)), _MM_SHUFFLE(1, 0, 3, 2)));
}
inline __m128i GroupMax(__m128i x) {
  x = _mm_max_epi16(x, _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, _MM_SHUFFLE(2, 3, 0, 1)), _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_max_epi16(x, _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, _MM_SHUFFLE(1, 0, 3, 2)), _MM_SHUFFLE(1, 0, 3, 2)));
}
// Every lane set to the smallest (or largest) lane of both registers.
inline __m128i AllMin(__m128i a, __m128i b) {
  __m128i x = GroupMin(_mm_min_epi16(a, b));
  return _mm_min_epi16(x, _mm_shuffle_epi32(x, _MM_SHUFFLE(1, 0, 3, 2)));
}
inline __m128i AllMax(__m128i a, __m128i b) {
  __m128i x = GroupMax(_mm_max_epi16(a, b));
  return _mm_max_epi16(x, _mm_shuffle_epi32(x, _MM_SHUFFLE(1, 0, 3, 2)));
}

struct Channels {
  alignas(16) int16_t r[16], g[16], b[16];
};

void StoreChannels(const Lanes& p, Channels& c) {
  for (int h = 0; h < 2; ++h) {
    _mm_store_si128(reinterpret_cast<__m128i*>(c.r + 8 * h), p.r[h]);
    _mm_store_si128(reinterpret_cast<__m128i*>(c.g + 8 * h), p.g[h]);
    _mm_store_si128(reinterpret_cast<__m128i*>(c.b + 8 * h), p.b[h]);
  }
}

// Two colours for the whole block (whose sums are `all`): split across the line from the darkest
// to the brightest pixel at the mean, then once more between the two means when that is not yet
// within `errorBound`. Bit i of `mask` marks pixel i as one of the set colour. Returns the sum of
// squared errors.
// With `kRefine` the second split is tried whenever the first leaves an error, however large.
template <bool kRefine = false>
int SplitBlock(const Lanes& p, const Channels& c, const Sums& all, int errorBound, Pair& pair, unsigned& mask) {
  const int count = 16;
  const int meanR = RoundedMean(all.r, count), meanG = RoundedMean(all.g, count), meanB = RoundedMean(all.b, count);
  int error = GroupError(all, meanR, meanG, meanB);
  pair.setColour = pair.clearColour = Pack(meanR, meanG, meanB);
  mask = 0;
  if (error <= errorBound) return error;

  // The first darkest and the first brightest pixel.
  const __m128i low = AllMin(p.luma[0], p.luma[1]), high = AllMax(p.luma[0], p.luma[1]);
  const int darkest = int(FirstBit(LaneBits(_mm_cmpeq_epi16(p.luma[0], low), _mm_cmpeq_epi16(p.luma[1], low))));
  const int brightest = int(FirstBit(LaneBits(_mm_cmpeq_epi16(p.luma[0], high), _mm_cmpeq_epi16(p.luma[1], high))));
  // A pixel takes the set colour when scale * d.p > threshold.
  int dR = c.r[brightest] - c.r[darkest], dG = c.g[brightest] - c.g[darkest], dB = c.b[brightest] - c.b[darkest];
  int scale = count, threshold = dR * all.r + dG * all.g + dB * all.b;
  for (int pass = 0; pass < 2 && error > errorBound; ++pass) {
    __m128i take[2];
    Above(p, _mm_set1_epi16(int16_t(dR)), _mm_set1_epi16(int16_t(dG)), _mm_set1_epi16(int16_t(dB)),
          _mm_set1_epi16(Limit(threshold, scale)), take);
    const unsigned bits = LaneBits(take[0], take[1]);
    Sums set;
    set.count = CountBits(bits);
    if (set.count == 0 || set.count == count) break;  // all pixels alike along this line
    set.r = SumLanes(_mm_and_si128(p.r[0], take[0]), _mm_and_si128(p.r[1], take[1]));
    set.g = SumLanes(_mm_and_si128(p.g[0], take[0]), _mm_and_si128(p.g[1], take[1]));
    set.b = SumLanes(_mm_and_si128(p.b[0], take[0]), _mm_and_si128(p.b[1], take[1]));
    set.squares = SumLanes(_mm_and_si128(p.squares[0], take[0]), _mm_and_si128(p.squares[1], take[1]));
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
    if (!kRefine && error > 2 * errorBound) break;
    // Next split between the two means: 2 d.p > d.(a + b) with d = a - b.
    dR = aR - bR, dG = aG - bG, dB = aB - bB;
    scale = 2;
    threshold = dR * (aR + bR) + dG * (aG + bG) + dB * (aB + bB);
  }
  return error;
}

// The same split for each quadrant on its own, all four side by side in quadrant order (`q` and
// `c` hold the channels in that order). Quadrants marked in `done` already have their colours.
// Returns the sum of the squared errors of the quadrants that were split.
int SplitQuadrants(const Lanes& q, const Channels& c, const Sums quadrant[4], int errorBound, const bool done[4],
                   Pair pairs[4], unsigned masks[4]) {
  struct Split {
    bool active;
    int error, dR, dG, dB, scale, threshold;
  } split[4];
  const __m128i low[2] = {GroupMin(q.luma[0]), GroupMin(q.luma[1])};
  const __m128i high[2] = {GroupMax(q.luma[0]), GroupMax(q.luma[1])};
  const unsigned lowBits = LaneBits(_mm_cmpeq_epi16(q.luma[0], low[0]), _mm_cmpeq_epi16(q.luma[1], low[1]));
  const unsigned highBits = LaneBits(_mm_cmpeq_epi16(q.luma[0], high[0]), _mm_cmpeq_epi16(q.luma[1], high[1]));
  for (int k = 0; k < 4; ++k) {
    Split& s = split[k];
    const Sums& all = quadrant[k];
    const int meanR = RoundedMean(all.r, 4), meanG = RoundedMean(all.g, 4), meanB = RoundedMean(all.b, 4);
    s.error = done[k] ? 0 : GroupError(all, meanR, meanG, meanB);
    s.active = !done[k] && s.error > errorBound;
    if (done[k]) continue;
    pairs[k].setColour = pairs[k].clearColour = Pack(meanR, meanG, meanB);
    masks[k] = 0;
    const int darkest = 4 * k + int(FirstBit((lowBits >> (4 * k)) & 15));
    const int brightest = 4 * k + int(FirstBit((highBits >> (4 * k)) & 15));
    s.dR = c.r[brightest] - c.r[darkest], s.dG = c.g[brightest] - c.g[darkest], s.dB = c.b[brightest] - c.b[darkest];
    s.scale = 4;
    s.threshold = s.dR * all.r + s.dG * all.g + s.dB * all.b;
  }
  for (int pass = 0; pass < 2; ++pass) {
    if (!(split[0].active || split[1].active || split[2].active || split[3].active)) break;
    alignas(16) int16_t dR[8], dG[8], dB[8], limit[8];
    __m128i take[2];
    for (int h = 0; h < 2; ++h) {
      for (int lane = 0; lane < 8; ++lane) {
        const Split& s = split[2 * h + lane / 4];
        dR[lane] = int16_t(s.active ? s.dR : 0), dG[lane] = int16_t(s.active ? s.dG : 0);
        dB[lane] = int16_t(s.active ? s.dB : 0);
        limit[lane] = s.active ? Limit(s.threshold, s.scale) : int16_t(32767);
      }
      const __m128i projection =
          _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(q.r[h], _mm_load_si128(reinterpret_cast<const __m128i*>(dR))),
                                      _mm_mullo_epi16(q.g[h], _mm_load_si128(reinterpret_cast<const __m128i*>(dG)))),
                        _mm_mullo_epi16(q.b[h], _mm_load_si128(reinterpret_cast<const __m128i*>(dB))));
      take[h] = _mm_cmpgt_epi16(projection, _mm_load_si128(reinterpret_cast<const __m128i*>(limit)));
    }
    const unsigned bits = LaneBits(take[0], take[1]);
    int setR[4], setG[4], setB[4], setSquares[4];
    SumQuadrants(_mm_and_si128(q.r[0], take[0]), _mm_and_si128(q.r[1], take[1]), setR);
    SumQuadrants(_mm_and_si128(q.g[0], take[0]), _mm_and_si128(q.g[1], take[1]), setG);
    SumQuadrants(_mm_and_si128(q.b[0], take[0]), _mm_and_si128(q.b[1], take[1]), setB);
    SumQuadrants(_mm_and_si128(q.squares[0], take[0]), _mm_and_si128(q.squares[1], take[1]), setSquares);
    for (int k = 0; k < 4; ++k) {
      Split& s = split[k];
      if (!s.active) continue;
      const Sums& all = quadrant[k];
      const unsigned quadrantBits = (bits >> (4 * k)) & 15;
      Sums set;
      set.count = CountBits(quadrantBits);
      if (set.count == 0 || set.count == 4) {  // all pixels alike along this line
        s.active = false;
        continue;
      }
      set.r = setR[k], set.g = setG[k], set.b = setB[k], set.squares = setSquares[k];
      Sums clear;
      clear.count = 4 - set.count;
      clear.r = all.r - set.r, clear.g = all.g - set.g, clear.b = all.b - set.b;
      clear.squares = all.squares - set.squares;
      const int aR = RoundedMean(set.r, set.count), aG = RoundedMean(set.g, set.count),
                aB = RoundedMean(set.b, set.count);
      const int bR = RoundedMean(clear.r, clear.count), bG = RoundedMean(clear.g, clear.count),
                bB = RoundedMean(clear.b, clear.count);
      const int candidate = GroupError(set, aR, aG, aB) + GroupError(clear, bR, bG, bB);
      if (candidate >= s.error) {
        s.active = false;
        continue;
      }
      s.error = candidate;
      pairs[k].setColour = Pack(aR, aG, aB);
      pairs[k].clearColour = Pack(bR, bG, bB);
      unsigned mask = 0;
      for (int j = 0; j < 4; ++j)
        if (quadrantBits & (1u << j)) mask |= 1u << kQuadrantPixels[k][j];
      masks[k] = mask;
      s.dR = aR - bR, s.dG = aG - bG, s.dB = aB - bB;
      s.scale = 2;
      s.threshold = s.dR * (aR + bR) + s.dG * (aG + bG) + s.dB * (aB + bB);
      s.active = s.error > errorBound;
    }
  }
  int error = 0;
  for (int k = 0; k < 4; ++k) error += split[k].error;
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

// A block's pixels as lanes, in pixel and in quadrant order, with the sums of the block and of
// each quadrant, for the choice by cost (EncodeBlock sums inline on its own: sharing the sums
// cost it some 5 % of its speed).
struct Analysis {
  Lanes p, q;
  Sums quadrant[4], all;
  Channels channels;
};

void Analyse(const __m128i v[2], Analysis& a) {
  Lanes& p = a.p;
  p = ChannelLanes(v);
  a.q = InQuadrantOrder(p);
  int sumR[4], sumG[4], sumB[4], sumSquares[4];
  SumQuadrants(a.q.r[0], a.q.r[1], sumR);
  SumQuadrants(a.q.g[0], a.q.g[1], sumG);
  SumQuadrants(a.q.b[0], a.q.b[1], sumB);
  SumQuadrants(a.q.squares[0], a.q.squares[1], sumSquares);
  a.all = Sums();
  for (int k = 0; k < 4; ++k) {
    Sums& quadrant = a.quadrant[k];
    quadrant.count = 4;
    quadrant.r = sumR[k], quadrant.g = sumG[k], quadrant.b = sumB[k], quadrant.squares = sumSquares[k];
    a.all.r += sumR[k], a.all.g += sumG[k], a.all.b += sumB[k], a.all.squares += sumSquares[k];
  }
  a.all.count = 16;
  StoreChannels(p, a.channels);
}

// The block's colours without their top bits, as lanes and as an array.
inline void LoadColours(const uint16_t pixels[16], __m128i v[2], uint16_t colours[16]) {
  const __m128i colourBits = _mm_set1_epi16(0x7FFF);
  v[0] = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels)), colourBits);
  v[1] = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 8)), colourBits);
  _mm_store_si128(reinterpret_cast<__m128i*>(colours), v[0]);
  _mm_store_si128(reinterpret_cast<__m128i*>(colours + 8), v[1]);
}

inline unsigned EqualBits(const __m128i v[2], uint16_t colour) {
  const __m128i lanes = _mm_set1_epi16(int16_t(colour));
  return LaneBits(_mm_cmpeq_epi16(v[0], lanes), _mm_cmpeq_epi16(v[1], lanes));
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
  const __m128i colourBits = _mm_set1_epi16(0x7FFF);
  const __m128i v[2] = {_mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels)), colourBits),
                        _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 8)), colourBits)};
  alignas(16) uint16_t colours[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(colours), v[0]);
  _mm_store_si128(reinterpret_cast<__m128i*>(colours + 8), v[1]);

  // At most two colours: coded exactly. The set colour is the first one unlike pixel 0's.
  const uint16_t clear = colours[0];
  const __m128i clearLanes = _mm_set1_epi16(int16_t(clear));
  const unsigned clearBits = LaneBits(_mm_cmpeq_epi16(v[0], clearLanes), _mm_cmpeq_epi16(v[1], clearLanes));
  if (clearBits == 0xFFFF) return WriteFill(clear, out);
  const uint16_t set = colours[FirstBit(~clearBits & 0xFFFF)];
  const __m128i setLanes = _mm_set1_epi16(int16_t(set));
  const unsigned setBits = LaneBits(_mm_cmpeq_epi16(v[0], setLanes), _mm_cmpeq_epi16(v[1], setLanes));
  if ((clearBits | setBits) == 0xFFFF) return WriteTwo(set, clear, setBits, out);

  // Channels, their squares and brightness; the sums of the block and of each quadrant.
  const Lanes p = ChannelLanes(v);
  const Lanes q = InQuadrantOrder(p);
  int sumR[4], sumG[4], sumB[4], sumSquares[4];
  SumQuadrants(q.r[0], q.r[1], sumR);
  SumQuadrants(q.g[0], q.g[1], sumG);
  SumQuadrants(q.b[0], q.b[1], sumB);
  SumQuadrants(q.squares[0], q.squares[1], sumSquares);
  Sums quadrant[4], all;
  for (int k = 0; k < 4; ++k) {
    quadrant[k].count = 4;
    quadrant[k].r = sumR[k], quadrant[k].g = sumG[k], quadrant[k].b = sumB[k], quadrant[k].squares = sumSquares[k];
    all.r += sumR[k], all.g += sumG[k], all.b += sumB[k], all.squares += sumSquares[k];
  }
  all.count = 16;

  Channels channels;
  StoreChannels(p, channels);
  Pair two;
  unsigned twoMask;
  const int twoError = SplitBlock(p, channels, all, errorBound, two, twoMask);
  if (twoError <= errorBound) return WriteTwo(two.setColour, two.clearColour, twoMask, out);

  Pair pairs[4];
  unsigned masks[4];
  bool exact[4];
  for (int k = 0; k < 4; ++k) exact[k] = ExactQuadrant(colours, k, pairs[k], masks[k]);
  Channels quadrantChannels;
  StoreChannels(q, quadrantChannels);
  const int eightError = SplitQuadrants(q, quadrantChannels, quadrant, errorBound / 4, exact, pairs, masks);
  if (eightError < twoError) return WriteEight(pairs, masks[0] | masks[1] | masks[2] | masks[3], out);
  return WriteTwo(two.setColour, two.clearColour, twoMask, out);
}

int LambdaForQuality(int quality) {
  quality = std::clamp(quality, 0, kCostQualityBelow);
  // 16 squared steps per byte just below 7000, doubling with every 1400 down to 512 at 0 (linear
  // in between). It starts where the bound of 7000 ends: on a fully changing picture that bound
  // already codes every block in one colour, and a smaller weight would make quality 6999 give
  // files several times larger than 7000.
  const int below = kCostQualityBelow - quality;
  const int low = 256 << (below / 1400);
  return low + low * (below % 1400) / 1400;
}

size_t EncodeBlockByCost(const uint16_t pixels[16], int lambda16, SkipOption skip, uint8_t* out, int* error) {
  // Costs in sixteenths of a squared step. Every code takes at least 2 bytes: a kept block that
  // costs no more than that wins outright.
  const int64_t byteCost = lambda16;
  int64_t best = INT64_MAX;
  if (skip.error >= 0) {
    best = 16 * int64_t(skip.error) + byteCost * skip.bytes;
    *error = skip.error;
    if (best <= 2 * byteCost) return 0;
  }
  size_t bestBytes = 0;
  uint8_t code[kMaxBlockBytes];
  // Takes the candidate in `code` when it costs less than the best so far.
  auto consider = [&](size_t bytes, int candidateError) {
    const int64_t cost = 16 * int64_t(candidateError) + byteCost * int64_t(bytes);
    if (cost >= best) return;
    best = cost;
    bestBytes = bytes;
    *error = candidateError;
    std::memcpy(out, code, bytes);
  };

  __m128i v[2];
  alignas(16) uint16_t colours[16];
  LoadColours(pixels, v, colours);
  const uint16_t clear = colours[0];
  const unsigned clearBits = EqualBits(v, clear);
  if (clearBits == 0xFFFF) {
    consider(WriteFill(clear, code), 0);
    return bestBytes;
  }
  Analysis a;
  Analyse(v, a);
  const int meanR = RoundedMean(a.all.r, 16), meanG = RoundedMean(a.all.g, 16), meanB = RoundedMean(a.all.b, 16);
  consider(WriteFill(Pack(meanR, meanG, meanB), code), GroupError(a.all, meanR, meanG, meanB));
  // Two colours take 6 bytes, eight take 18: try them only while they could still cost less.
  if (best <= 6 * byteCost) return bestBytes;
  const uint16_t set = colours[FirstBit(~clearBits & 0xFFFF)];
  const unsigned setBits = EqualBits(v, set);
  if ((clearBits | setBits) == 0xFFFF) {
    consider(WriteTwo(set, clear, setBits, code), 0);
    return bestBytes;
  }
  Pair two;
  unsigned twoMask;
  const int twoError = SplitBlock<true>(a.p, a.channels, a.all, 0, two, twoMask);
  consider(WriteTwo(two.setColour, two.clearColour, twoMask, code), twoError);
  if (best <= 18 * byteCost) return bestBytes;
  Pair pairs[4];
  unsigned masks[4];
  bool exact[4];
  for (int k = 0; k < 4; ++k) exact[k] = ExactQuadrant(colours, k, pairs[k], masks[k]);
  Channels quadrantChannels;
  StoreChannels(a.q, quadrantChannels);
  const int eightError = SplitQuadrants(a.q, quadrantChannels, a.quadrant, 0, exact, pairs, masks);
  consider(WriteEight(pairs, masks[0] | masks[1] | masks[2] | masks[3], code), eightError);
  return bestBytes;
}

int BlockError(const uint16_t a[16], const uint16_t b[16]) {
  const __m128i five = _mm_set1_epi16(31);
  __m128i total = _mm_setzero_si128();
  for (int h = 0; h < 2; ++h) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 8 * h));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 8 * h));
    const __m128i dR = _mm_sub_epi16(_mm_and_si128(_mm_srli_epi16(x, 10), five), _mm_and_si128(_mm_srli_epi16(y, 10), five));
    const __m128i dG = _mm_sub_epi16(_mm_and_si128(_mm_srli_epi16(x, 5), five), _mm_and_si128(_mm_srli_epi16(y, 5), five));
    const __m128i dB = _mm_sub_epi16(_mm_and_si128(x, five), _mm_and_si128(y, five));
    total = _mm_add_epi32(total, _mm_add_epi32(_mm_madd_epi16(dR, dR),
                                               _mm_add_epi32(_mm_madd_epi16(dG, dG), _mm_madd_epi16(dB, dB))));
  }
  total = _mm_add_epi32(total, _mm_shuffle_epi32(total, _MM_SHUFFLE(1, 0, 3, 2)));
  total = _mm_add_epi32(total, _mm_shuffle_epi32(total, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_cvtsi128_si32(total);
}

void DecodeBlock(const uint8_t* code, uint16_t pixels[16]) {
  auto word = [code](int i) { return unsigned(code[2 * i] | (code[2 * i + 1] << 8)); };
  const unsigned flags = word(0);
  if (flags & 0x8000) {
    for (int i = 0; i < 16; ++i) pixels[i] = uint16_t(flags & 0x7FFF);
    return;
  }
  if (word(1) & kEightColourFlag) {
    for (int q = 0; q < 4; ++q)
      for (const int i : kQuadrantPixels[q])
        pixels[i] = uint16_t(((flags >> i) & 1 ? word(1 + 2 * q) : word(2 + 2 * q)) & 0x7FFF);
    return;
  }
  for (int i = 0; i < 16; ++i) pixels[i] = uint16_t((flags >> i) & 1 ? word(1) : word(2));
}

}  // namespace msvc1
