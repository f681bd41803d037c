// The course page's list of a lesson's screen recording files: "screen.js" in the lesson's html
// folder sets `screenParts` to the files in playing order ("html/screen.avi", "html/screen-2.avi",
// ...). A long recording is kept as several files (see recorder/recovery/RecordingParts.h); the
// page cannot list a folder it was opened from, so Lumora writes the list beside the files.
#pragma once
#include <string>
#include <vector>

// The script for the given part file names (ANSI names of files in the html folder).
std::string ScreenPartsScriptText(const std::vector<std::string>& fileNames);
// Writes "screen.js" for the screen.avi parts that exist in `htmlDir`; a lesson with one part
// or none needs no list, and gets one only to replace an older list. True when the folder's list
// is right afterwards.
bool WriteScreenPartsScript(const std::string& htmlDir);
