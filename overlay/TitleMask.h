// The title drawn once with GDI into two coverage masks: how strongly each pixel of the title's
// box is covered by the glyphs, and by a one-pixel outline around them.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct TitleMask {
  // The box holds the text plus one pixel of outline on every side; rows run top-down.
  int width = 0;
  int height = 0;
  std::vector<BYTE> text;     // 0 (none) to 255 (fully covered) per pixel
  std::vector<BYTE> outline;  // coverage of the outline, under the text
  bool Empty() const { return width <= 0 || height <= 0; }
};

// The largest box the mask holds; longer or taller titles are cut at its edges.
constexpr int kMaxTitleMaskWidth = 8192;
constexpr int kMaxTitleMaskHeight = 1024;

// Draws `text` (ANSI code page) in `font`; an empty mask for an empty text or when GDI fails.
TitleMask RenderTitleMask(const std::string& text, const LOGFONTA& font);
