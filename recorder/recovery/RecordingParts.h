// The files of one screen recording. A plain AVI file must stay well below 2 GB (the AVI library
// keeps file offsets in 31 bits and, past them, writes over the file's beginning without an
// error), so a long recording is written as a sequence of parts: the output path itself, then
// the same name with "-2", "-3", ... before the extension (screen.avi, screen-2.avi, ...).
// Each part is a complete AVI file of its own that starts with a key frame at position 0.
#pragma once
#include <string>
#include <vector>

// Where the merge of a recording with sound saves a part before it takes the part's final name:
// beside it, so that the final file is never a half-written one.
std::string MergingPath(const std::string& finalPath);
// The path of part `part` (1 is `firstPath` itself).
std::string RecordingPartPath(const std::string& firstPath, int part);
// The parts of the recording whose first part is `firstPath` that exist, in order; the list
// ends at the first missing part after the first.
std::vector<std::string> ExistingRecordingParts(const std::string& firstPath);
