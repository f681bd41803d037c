// When a recording's current AVI file is closed and the next part begun (see
// recovery/RecordingParts.h). The AVI library keeps file offsets in 31 bits: a file that passes
// 2 GB is not refused but written over from its start. A part therefore ends at 1 GiB, half of
// that, which is also the size every reader of plain AVI files handles.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

// kPartByteLimit (1 GiB) is in RecorderState.h, beside the state that a test can lower.

// Room for the headers the close rewrites and for data the library still buffers.
constexpr uint64_t kPartSlackBytes = 1ull << 20;

// True when writing one more frame of at most `frameBytes` at `position` (the part's positions
// start at 0; `lastPosition` is the last one written) could bring the file, with the empty
// chunks for the skipped positions and the index the close appends (one entry per position),
// past `limit`, given that it holds `fileBytes` now.
bool PartWouldPassLimit(uint64_t fileBytes, uint32_t lastPosition, uint32_t position,
                        uint32_t frameBytes, uint64_t limit);

// What writing a frame of `frameBytes` adds to the file, `positions` after the last frame written
// (1 for the next position): its chunk and index entry, and an empty chunk and an index entry for
// each position skipped.
uint64_t FrameFileBytes(uint32_t frameBytes, uint32_t positions);

// The file's size on disk; 0 when it cannot be read.
uint64_t FileBytesOnDisk(const std::string& path);
// The bytes that may still be written on the disk that holds the file; UINT64_MAX when unknown.
uint64_t FreeBytesBeside(const std::string& path);
