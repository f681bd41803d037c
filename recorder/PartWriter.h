// The AVI file that a capture run writes its frames into, as a sequence of parts: when the
// current part would pass the part size (PartLimit.h) it is closed whole and the recording goes
// on in the next part's file (recovery/RecordingParts.h), starting again at position 0 with a key
// frame. Each part has its own recovery record while it is written.
#pragma once
#include "recorder/AviCapture.h"
#include "recorder/RecorderState.h"
#include "recorder/RecoveryNote.h"
#include "recorder/Vistrel.h"

#include <windows.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PartWriter {
public:
  PartWriter(const CaptureRectangle& rectangle, DWORD rate) : rectangle_(rectangle), rate_(rate) {}

  // Opens the recorder state's temporary video path as the current part.
  AviSetUp Open();
  // Writes the first part's recovery record; `soundPath` is the run's WAV file when it is
  // written while recording (the microphone's), so that every part's record can name it.
  void BeginRecord(const std::string& soundPath);
  // Writes a frame taken at stream position `index` of the recording, beginning the next part
  // first when this one is full (never after a stop was requested). `cost`: see AviCapture.
  HRESULT Write(BITMAPINFOHEADER* frame, uint32_t index, FrameCost* cost = nullptr);
  // Releases the current part's file.
  void Close();
  // The current part is done with: without sound it is the final file and its record goes
  // (after a failure only when the file reads back whole); with sound the merge still needs it,
  // so it is listed in the recorder state (its sound up to `soundEnd`, the run position where
  // the next part begins) and its record kept until the end.
  void PartDone(bool afterFailure, uint32_t soundEnd = kSoundToEnd);
  // The current part ended without a frame: there is nothing to repair, so its record goes (a
  // restart takes the part's name again).
  void DropEmptyPart();
  // The recording is finished: the remaining records go.
  void Finished();

  AviCapture& Avi() { return *avi_; }
  uint32_t FramesInPart() const { return framesInPart_; }
  // Why Write refused or failed without a failed AVI call: no room for the next frame, or no
  // next part that could be begun; otherwise a failed write.
  VistrelCaptureEnd EndReason() const { return endReason_; }

private:
  HRESULT NextPart(uint32_t index);

  CaptureRectangle rectangle_;
  DWORD rate_;
  std::unique_ptr<AviCapture> avi_;
  RecoveryNote recovery_;
  std::vector<RecoveryNote> keptRecords_;
  std::string soundPath_;
  uint32_t partStart_ = 0;
  uint32_t lastPosition_ = 0;
  uint32_t framesInPart_ = 0;
  bool partDone_ = false;
  VistrelCaptureEnd endReason_ = VistrelEndWriteFailed;
};
