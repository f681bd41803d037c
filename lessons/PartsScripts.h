// The course page's lists of a lesson's recording files in playing order: "screen.js" sets
// `screenParts` to the screen recording's files ("html/screen.avi", "html/screen-2.avi", ...) and
// "video.js" sets `videoParts` to the camera recording's ("html/video.wmv", "html/video-2.wmv",
// ...). A long screen recording is kept as several files (see recorder/recovery/RecordingParts.h),
// and so is a camera recording during which the camera or the microphone dropped out; the page
// cannot list a folder it was opened from, so Lumora writes the lists beside the files.
#pragma once
#include <string>
#include <vector>

// The script that sets `variable` to the given part names (ANSI names of files in the html folder).
std::string PartsScriptText(const char* variable, const std::vector<std::string>& fileNames);
// Writes "screen.js" for the screen.avi parts that exist in `htmlDir`; a lesson with one part
// or none needs no list, and gets one only to replace an older list. True when the folder's list
// is right afterwards.
bool WriteScreenPartsScript(const std::string& htmlDir);
// The same for the camera recording's parts in "video.js".
bool WriteVideoPartsScript(const std::string& htmlDir);
// Both lists; true when both are right.
bool WriteRecordingPartsScripts(const std::string& htmlDir);
