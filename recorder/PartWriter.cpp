#include "recorder/PartWriter.h"

#include "recorder/PartLimit.h"
#include "recorder/TempPaths.h"
#include "recorder/recovery/AviCheck.h"
#include "recorder/recovery/RecordingParts.h"

namespace {
// The file a part ends up in: the file written itself, or with sound the part's place beside
// the output path, where the merge puts it.
std::string PartFinalPath(const RecorderState& state) {
  if (state.audioMode == AudioNone) return state.tempVideoPath;
  return RecordingPartPath(state.outputPath, state.partNumber);
}
}  // namespace

AviSetUp PartWriter::Open() {
  partDone_ = false;
  avi_ = std::make_unique<AviCapture>();
  return avi_->Open(Recorder().tempVideoPath, rectangle_, rate_, CaptureCompression(Recorder()));
}

void PartWriter::BeginRecord(const std::string& soundPath) {
  RecorderState& state = Recorder();
  soundPath_ = soundPath;
  recovery_ = RecoveryNote();
  recovery_.Begin(*avi_, state.tempVideoPath, PartFinalPath(state), soundPath_, partStart_);
}

HRESULT PartWriter::Write(BITMAPINFOHEADER* frame, uint32_t index, FrameCost* cost) {
  RecorderState& state = Recorder();
  uint32_t position = index - partStart_;
  // A full disk would take the part with it: the platform's writer does not always report a
  // write that found no room, and the close still has to append the index. So the recording
  // ends while the part can be closed whole (checked before a next part would be begun). The
  // refusal is not the library's failure, so no restart follows: the run ends as if stopped.
  const uint64_t onDisk = FileBytesOnDisk(state.tempVideoPath);
  const uint64_t free = FreeBytesBeside(state.tempVideoPath);
  if (free != UINT64_MAX &&
      PartWouldPassLimit(onDisk, lastPosition_, position, frame->biSizeImage, onDisk + free)) {
    endReason_ = VistrelEndDiskFull;
    return AVIERR_FILEWRITE;
  }
  // After a stop no new part is begun: the last frame still fits, the limit keeps room for it.
  if (framesInPart_ > 0 && state.recording.load() == 1 &&
      PartWouldPassLimit(onDisk, lastPosition_, position,
                         frame->biSizeImage, state.partByteLimit)) {
    HRESULT next = NextPart(index);
    if (next != 0) return next;
    position = 0;
  }
  HRESULT written = avi_->WriteFrame(frame, position, cost);
  if (written == 0) {
    // The part's file now runs to this position: 0 up to it in a new part.
    state.coveredPositions += framesInPart_ == 0 ? uint64_t(position) + 1 : position - lastPosition_;
    recovery_.FrameWritten();
    lastPosition_ = position;
    ++framesInPart_;
    ++state.framesWritten;
  }
  return written;
}

void PartWriter::Close() {
  avi_->FreeOptions();
  avi_->Close();
}

void PartWriter::PartDone(bool afterFailure, uint32_t soundEnd) {
  RecorderState& state = Recorder();
  // A next part that could not be begun leaves the part before it as the current one.
  if (partDone_) return;
  partDone_ = true;
  if (state.audioMode == AudioNone) {
    AviFacts facts;
    if (!afterFailure || CheckAviFileEnds(state.tempVideoPath, &facts)) recovery_.Finished();
  } else {
    // The run's sound file is named after the run has stopped its sound (AttachRunSound).
    RecordedPart part;
    part.videoPath = state.tempVideoPath;
    part.finalPath = PartFinalPath(state);
    part.run = state.runNumber;
    part.soundStart = partStart_;
    part.soundEnd = soundEnd;
    state.recordedParts.push_back(part);
    if (soundEnd != kSoundToEnd) recovery_.SoundEnds(soundEnd);
    keptRecords_.push_back(std::move(recovery_));
    recovery_ = RecoveryNote();
  }
}

void PartWriter::DropEmptyPart() { recovery_.Finished(); }

void PartWriter::Finished() {
  // The platform's writer can fail without saying so (a full disk, a file past its offsets): a
  // part without sound whose close did not reach its end keeps its record for the next start.
  // Only the headers and the index are read, so that this costs little however large the part.
  RecorderState& state = Recorder();
  AviFacts facts;
  if (state.audioMode != AudioNone || CheckAviFileEnds(state.tempVideoPath, &facts)) recovery_.Finished();
  for (RecoveryNote& note : keptRecords_) note.Finished();
}

HRESULT PartWriter::NextPart(uint32_t index) {
  RecorderState& state = Recorder();
  Close();
  PartDone(false, index);
  ++state.partNumber;
  partStart_ = index;
  framesInPart_ = 0;
  lastPosition_ = 0;
  HRESULT result = 0;
  if (!ChooseTempVideoPath()) {
    result = AVIERR_FILEOPEN;
  } else if (Open() != AviSetUp::Ready) {
    result = avi_->LastResult() != 0 ? avi_->LastResult() : AVIERR_ERROR;
  }
  if (result == 0) {
    BeginRecord(soundPath_);
    return 0;
  }
  endReason_ = VistrelEndCannotWrite;
  if (state.audioMode != AudioNone) {
    // No part follows: the run's sound after the last part's end stays with that part.
    state.recordedParts.back().soundEnd = kSoundToEnd;
    keptRecords_.back().SoundEnds(kSoundToEnd);
  }
  return result;
}
