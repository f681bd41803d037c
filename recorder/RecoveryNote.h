// The recovery record of one capture run (see recovery/RecoveryRecord.h): written when the AVI
// file is set up, completed with the place of the first frame chunk once that is on disk, and
// deleted when the recording has been finished cleanly. A run that ends any other way (a crash,
// a kill, a failed write without restart) leaves it for Lumora's repair at its next start.
#pragma once
#include "recorder/AviCapture.h"

#include <cstdint>
#include <string>

class RecoveryNote {
public:
  // Writes the record beside the file the frames go into. A part's sound begins at stream
  // position `soundStart` of the run's sound file `soundPath`.
  void Begin(const AviCapture& avi, const std::string& videoPath, const std::string& finalPath,
             const std::string& soundPath, uint32_t soundStart = 0);
  // The part's sound ends at this position of the run (kSoundToEnd: at the end of the file).
  void SoundEnds(uint32_t soundEnd);
  // Called after each written frame; looks for the first chunk on disk until it is found.
  void FrameWritten();
  // The recording is complete: the record goes.
  void Finished();

private:
  std::string recordPath_;
  std::string videoPath_;
  int width_ = 0;
  int height_ = 0;
  uint32_t framesWritten_ = 0;
  bool dataStartKnown_ = false;
};
