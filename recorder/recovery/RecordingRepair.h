// Repairs one interrupted screen recording from its recovery record: the frame chunks that
// reached the disk (and the sound, where its WAV file is readable) become a complete AVI file
// at the recording's final path. Nothing is made worse: the new file is written beside the
// final one, read back, and only then put in its place; a recording that cannot be repaired is
// left as it was and its record is marked, so that the repair is tried once.
#pragma once
#include <cstdint>
#include <string>

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

RepairReport RepairRecording(const std::string& recordPath);
