// Puts a title mask into a frame: the outline in its colour, then the text over it.
#pragma once
#include "overlay/FrameLayout.h"
#include "overlay/TitleMask.h"

struct TitleRgb {
  BYTE red, green, blue;
};

// The outline that reads against the text: dark for light text, light for dark text.
TitleRgb OutlineFor(TitleRgb text);

// Blends `mask` into the frame with the text's top-left corner at (x, y), counted from the top-left
// of the picture; the mask box begins one pixel up and left of it. Clipped at the picture's edges;
// nothing is written when the buffer is smaller than the layout says.
void BlendTitle(BYTE* frame, size_t frameSize, const FrameLayout& layout, const TitleMask& mask,
                int x, int y, TitleRgb text);
