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
  avi_ = std::make_unique<AviCapture>();
  return avi_->Open(Recorder().tempVideoPath, rectangle_, rate_);
}

void PartWriter::BeginRecord(const std::string& soundPath) {
  RecorderState& state = Recorder();
  recovery_ = RecoveryNote();
  recovery_.Begin(*avi_, state.tempVideoPath, PartFinalPath(state), soundPath);
}

HRESULT PartWriter::Write(BITMAPINFOHEADER* frame, uint32_t index) {
  RecorderState& state = Recorder();
  uint32_t position = index - partStart_;
  // A full disk would take the part with it: the platform's writer does not always report a
  // write that found no room, and the close still has to append the index. So the recording
  // ends while the part can be closed whole (checked before a next part would be begun).
  const uint64_t onDisk = FileBytesOnDisk(state.tempVideoPath);
  const uint64_t free = FreeBytesBeside(state.tempVideoPath);
  if (free != UINT64_MAX &&
      PartWouldPassLimit(onDisk, lastPosition_, position, frame->biSizeImage, onDisk + free)) {
    diskFull_ = true;
    return AVIERR_FILEWRITE;
  }
  // After a stop no new part is begun: the last frame still fits, the limit keeps room for it.
  if (framesInPart_ > 0 && state.recording.load() == 1 &&
      PartWouldPassLimit(onDisk, lastPosition_, position,
                         frame->biSizeImage, state.partByteLimit)) {
    HRESULT next = NextPart();
    if (next != 0) return next;
    partStart_ = index;
    position = 0;
  }
  HRESULT written = avi_->WriteFrame(frame, position);
  if (written == 0) {
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

void PartWriter::PartDone(bool afterFailure) {
  RecorderState& state = Recorder();
  if (state.audioMode == AudioNone) {
    AviFacts facts;
    if (!afterFailure || CheckAviFile(state.tempVideoPath, &facts)) recovery_.Finished();
  } else {
    state.earlierParts.push_back({state.tempVideoPath, PartFinalPath(state)});
    keptRecords_.push_back(std::move(recovery_));
    recovery_ = RecoveryNote();
  }
}

void PartWriter::Finished() {
  // The platform's writer can fail without saying so (a full disk, a file past its offsets): a
  // part without sound that does not read back whole keeps its record for the next start.
  RecorderState& state = Recorder();
  AviFacts facts;
  if (state.audioMode != AudioNone || CheckAviFile(state.tempVideoPath, &facts)) recovery_.Finished();
  for (RecoveryNote& note : keptRecords_) note.Finished();
}

HRESULT PartWriter::NextPart() {
  RecorderState& state = Recorder();
  Close();
  PartDone(false);
  ++state.partNumber;
  framesInPart_ = 0;
  lastPosition_ = 0;
  if (!ChooseTempVideoPath()) return AVIERR_FILEOPEN;
  AviSetUp setUp = Open();
  if (setUp != AviSetUp::Ready) return avi_->LastResult() != 0 ? avi_->LastResult() : AVIERR_ERROR;
  BeginRecord(std::string());
  return 0;
}
