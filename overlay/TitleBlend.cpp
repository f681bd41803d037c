#include "overlay/TitleBlend.h"

#include <algorithm>

namespace {
inline int Mix(int under, int over, int alpha) { return (over * alpha + under * (255 - alpha)) / 255; }

struct Yuv {
  int y, u, v;
};

// BT.601 studio range, as USB cameras deliver YUY2.
Yuv ToYuv(TitleRgb c) {
  int r = c.red, g = c.green, b = c.blue;
  return {16 + (66 * r + 129 * g + 25 * b + 128) / 256, 128 + (-38 * r - 74 * g + 112 * b + 128) / 256,
          128 + (112 * r - 94 * g - 18 * b + 128) / 256};
}

// The two layers over one colour channel value.
inline int Paint(int value, int outlineValue, int outlineAlpha, int textValue, int textAlpha) {
  return Mix(Mix(value, outlineValue, outlineAlpha), textValue, textAlpha);
}

// The visible part of the mask: frame columns [x0, x1) and rows [y0, y1).
struct Clip {
  int x0, x1, y0, y1;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};
}  // namespace

TitleRgb OutlineFor(TitleRgb text) {
  int luma = (299 * text.red + 587 * text.green + 114 * text.blue) / 1000;
  return luma < 60 ? TitleRgb{255, 255, 255} : TitleRgb{0, 0, 0};
}

void BlendTitle(BYTE* frame, size_t frameSize, const FrameLayout& layout, const TitleMask& mask,
                int x, int y, TitleRgb text) {
  if (!frame || mask.Empty() || layout.width <= 0 || layout.height <= 0 || layout.Bytes() > frameSize)
    return;
  // 64-bit arithmetic: a start position far outside the picture must not overflow.
  long long left = static_cast<long long>(x) - 1, top = static_cast<long long>(y) - 1;
  Clip clip{static_cast<int>(std::max<long long>(left, 0)),
            static_cast<int>(std::min<long long>(left + mask.width, layout.width)),
            static_cast<int>(std::max<long long>(top, 0)),
            static_cast<int>(std::min<long long>(top + mask.height, layout.height))};
  if (clip.Empty()) return;
  TitleRgb edge = OutlineFor(text);
  Yuv textYuv = ToYuv(text), edgeYuv = ToYuv(edge);

  for (int row = clip.y0; row < clip.y1; ++row) {
    int frameRow = layout.bottomUp ? layout.height - 1 - row : row;
    BYTE* line = frame + static_cast<size_t>(frameRow) * layout.stride;
    size_t maskRow = static_cast<size_t>(row - top) * mask.width;
    auto alphaAt = [&](int column, const std::vector<BYTE>& plane) -> int {
      long long mx = column - left;
      return (mx >= 0 && mx < mask.width) ? plane[maskRow + static_cast<size_t>(mx)] : 0;
    };
    if (layout.pixels == FramePixels::Yuy2) {
      // Pixel pairs share U and V; they take the pair's mean coverage.
      for (int pair = clip.x0 / 2; pair * 2 < clip.x1; ++pair) {
        int c0 = pair * 2, c1 = c0 + 1;
        bool in0 = c0 >= clip.x0, in1 = c1 < clip.x1;
        int o0 = in0 ? alphaAt(c0, mask.outline) : 0, t0 = in0 ? alphaAt(c0, mask.text) : 0;
        int o1 = in1 ? alphaAt(c1, mask.outline) : 0, t1 = in1 ? alphaAt(c1, mask.text) : 0;
        if ((o0 | t0 | o1 | t1) == 0) continue;
        BYTE* p = line + static_cast<size_t>(pair) * 4;
        p[0] = static_cast<BYTE>(Paint(p[0], edgeYuv.y, o0, textYuv.y, t0));
        p[2] = static_cast<BYTE>(Paint(p[2], edgeYuv.y, o1, textYuv.y, t1));
        int oa = (o0 + o1) / 2, ta = (t0 + t1) / 2;
        p[1] = static_cast<BYTE>(Paint(p[1], edgeYuv.u, oa, textYuv.u, ta));
        p[3] = static_cast<BYTE>(Paint(p[3], edgeYuv.v, oa, textYuv.v, ta));
      }
      continue;
    }
    for (int column = clip.x0; column < clip.x1; ++column) {
      int o = alphaAt(column, mask.outline), t = alphaAt(column, mask.text);
      if ((o | t) == 0) continue;
      switch (layout.pixels) {
        case FramePixels::Rgb24:
        case FramePixels::Rgb32: {
          BYTE* p = line + static_cast<size_t>(column) * (layout.pixels == FramePixels::Rgb24 ? 3 : 4);
          p[0] = static_cast<BYTE>(Paint(p[0], edge.blue, o, text.blue, t));
          p[1] = static_cast<BYTE>(Paint(p[1], edge.green, o, text.green, t));
          p[2] = static_cast<BYTE>(Paint(p[2], edge.red, o, text.red, t));
          break;
        }
        case FramePixels::Rgb555: {
          BYTE* p = line + static_cast<size_t>(column) * 2;
          int word = p[0] | (p[1] << 8);
          // Channels widened to eight bits, painted, and narrowed again.
          int r = ((word >> 10) & 31) * 255 / 31, g = ((word >> 5) & 31) * 255 / 31, b = (word & 31) * 255 / 31;
          r = Paint(r, edge.red, o, text.red, t);
          g = Paint(g, edge.green, o, text.green, t);
          b = Paint(b, edge.blue, o, text.blue, t);
          word = ((r * 31 + 127) / 255) << 10 | ((g * 31 + 127) / 255) << 5 | ((b * 31 + 127) / 255);
          p[0] = static_cast<BYTE>(word & 0xFF);
          p[1] = static_cast<BYTE>(word >> 8);
          break;
        }
        case FramePixels::Yuy2:
          break;
      }
    }
  }
}
