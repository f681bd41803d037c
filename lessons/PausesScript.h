// The course page's list of a lesson's pauses: "pauses.js" in the lesson's html folder sets
// `recordingPauses` to the pauses in their order, each as [where, how long] in milliseconds,
// where being the recorded time before the pause, so on the time axis of the recordings, which
// leave the paused time out; how long is null for a pause in which the recording ended. Written
// at every pause, resume and stop, so that a recording cut off by a crash still tells where it
// was paused.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A pause that began after `atMs` of recorded time and lasted `lengthMs`; a lasting one has not
// been resumed (the recording may end in it).
struct RecordingPause {
  uint64_t atMs = 0;
  uint64_t lengthMs = 0;
  bool lasting = false;
};

// The script for the given pauses.
std::string PausesScriptText(const std::vector<RecordingPause>& pauses);
// Writes "pauses.js" into `htmlDir`; a recording without pauses needs no list and gets one only
// to replace an older list. True when the folder's list is right afterwards.
bool WritePausesScript(const std::string& htmlDir, const std::vector<RecordingPause>& pauses);
