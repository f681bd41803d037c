// Repairs one interrupted screen recording from its recovery record: the frame chunks that
// reached the disk (and the sound, where its WAV file is readable) become a complete AVI file
// at the recording's final path. Nothing is made worse: the new file is written beside the
// final one, read back, and only then put in its place. A recording whose files hold nothing
// that can be repaired is left as it was and its record is marked, so that it is tried once; a
// failure that may pass (a file held by another program, a read or write error, no room) leaves
// everything as it was for the next start. The record's paths are taken where the record lies
// now (PlaceBesideRecord), so a lesson moved or copied since is repaired in its own folder.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class RepairOutcome {
  AlreadyComplete,  // the recording had been finished; only its record was left
  Repaired,
  NotRepairable,    // nothing usable, or the result did not read back; the files stay as they were
  Busy,             // the file is still being written by a running recorder; tried next time
  NoRoom,           // the disk has no room for the repaired copy; tried again next time
  TryAgain,         // a failure that may pass (a file held by another program, a read or write
                    // error); the files stay as they were and the repair is tried next time
  AlreadyHandled,   // an earlier start tried and marked it
};

struct RepairReport {
  RepairOutcome outcome = RepairOutcome::NotRepairable;
  uint32_t positions = 0;  // stream positions in the final file (one chunk each)
  uint32_t frames = 0;     // of those, positions with a picture
  uint32_t keyFrames = 0;
  uint64_t soundBytes = 0;
  uint32_t rate = 0, scale = 0;
  std::string reason;  // for NotRepairable
  // The recording's length in whole seconds, from its positions; 0 when unknown.
  long Seconds() const;
};

struct RepairOptions {
  // Told how far the repair has come (0 to 100) as it reads the recording; returning false stops
  // it, which leaves everything as it was for the next start (TryAgain). It may also wait.
  std::function<bool(int percent)> progress;
  // The records that may still want the same run's sound file, wherever their lessons are; when
  // empty, the records beside this one. The sound file goes only when none of them wants it.
  std::vector<std::string> pendingRecords;
};

RepairReport RepairRecording(const std::string& recordPath, const RepairOptions& options = {});
