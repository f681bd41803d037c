// The AVI files of the round-trip check: written through AVIFIL32 with our compressor, decoded
// by ffmpeg, compared here against the same frames made again.
#pragma once
#include "tests/codec/TestFrames.h"

#include <string>
#include <vector>

enum class Content { ExactCells, SolidBlocks, Natural, SlideWithPointer, Still, Panning };

struct RoundTripCase {
  const char* name;
  int width;
  int height;
  int frames;
  unsigned keyFrameEvery;
  unsigned quality;
  Content content;
  // Smallest PSNR accepted per frame; 100 means the picture must come back exactly.
  double minPsnr;
};

const std::vector<RoundTripCase>& RoundTripCases();
TestFrame RoundTripFrame(const RoundTripCase& c, int index);
// Frame positions that must be key frames: the first and every keyFrameEvery-th one.
bool ExpectKeyFrame(const RoundTripCase& c, int index);
