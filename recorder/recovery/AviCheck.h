// A structural reader for AVI files: the recovery decides with it whether a file is already
// complete, and reads back every file it wrote before that file replaces anything.
#pragma once
#include <cstdint>
#include <string>

struct AviFacts {
  uint32_t streams = 0;
  uint32_t videoHandler = 0;      // strh fccHandler of the video stream
  uint32_t videoCompression = 0;  // biCompression of its format
  uint32_t bitCount = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t rate = 0;
  uint32_t scale = 0;
  uint32_t length = 0;        // video stream length in positions, from its header
  uint32_t videoEntries = 0;  // index entries of the video stream (one per position)
  uint32_t keyFrames = 0;
  uint32_t emptyFrames = 0;
  uint32_t soundEntries = 0;
  uint64_t soundBytes = 0;
};

// True when `path` is a RIFF AVI file whose headers describe a video stream first, whose "movi"
// list and "idx1" index lie inside the file, whose every index entry points at a chunk of the
// named stream and size inside "movi", and whose first non-empty frame is a key frame.
// Reads every chunk header the index names, so its cost grows with the file.
bool CheckAviFile(const std::string& path, AviFacts* facts);

// The same checks, but of the chunks only the first and the last that the index names are read:
// what a close that reached its end leaves (headers, "movi", a whole index within "movi"), at
// the cost of the headers and the index alone, however large the file. For a file just closed
// by the recorder, where the question is whether the close got to its end.
bool CheckAviFileEnds(const std::string& path, AviFacts* facts);
