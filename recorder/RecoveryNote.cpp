#include "recorder/RecoveryNote.h"

#include "recorder/recovery/BinaryFile.h"
#include "recorder/recovery/FrameChunks.h"
#include "recorder/recovery/RecoveryRecord.h"

namespace {
// The first chunk is looked for after these frames only, so that the loop is not slowed.
bool LookAfterFrame(uint32_t written) { return written == 1 || written == 2 || written == 5 || written == 20; }
}  // namespace

void RecoveryNote::Begin(const AviCapture& avi, const std::string& videoPath,
                         const std::string& finalPath, const std::string& soundPath,
                         uint32_t soundStart) {
  RecoveryRecord record;
  record.finalPath = finalPath;
  record.videoPath = videoPath;
  record.soundPath = soundPath;
  record.soundStart = soundStart;
  record.format = avi.CompressedFormat();
  AVISTREAMINFOA info = avi.CompressedStreamInfo();
  record.handler = info.fccHandler;
  record.rate = info.dwRate;
  record.scale = info.dwScale;
  record.suggestedBufferSize = info.dwSuggestedBufferSize;
  if (record.format.size() >= sizeof(BITMAPINFOHEADER)) {
    const auto* format = reinterpret_cast<const BITMAPINFOHEADER*>(record.format.data());
    width_ = format->biWidth;
    height_ = format->biHeight < 0 ? -format->biHeight : format->biHeight;
  }
  recordPath_ = RecoveryRecordPath(videoPath);
  videoPath_ = videoPath;
  framesWritten_ = 0;
  dataStartKnown_ = false;
  // Without a record the recording goes on as before; only its recovery is lost.
  if (!WriteRecoveryRecord(recordPath_, record)) recordPath_.clear();
}

void RecoveryNote::FrameWritten() {
  ++framesWritten_;
  if (recordPath_.empty() || dataStartKnown_ || !LookAfterFrame(framesWritten_)) return;
  FileReader file;
  if (!file.Open(videoPath_)) return;
  FrameLayout layout;
  layout.width = width_;
  layout.height = height_;
  layout.maxChunkBytes = static_cast<uint32_t>((width_ + 3) * (height_ + 3) * 4 + 65536);
  uint64_t first = FindFirstFrameChunk(file, 0, layout);
  if (first != 0) dataStartKnown_ = WriteRecoveryDataStart(recordPath_, first);
}

void RecoveryNote::SoundEnds(uint32_t soundEnd) {
  if (recordPath_.empty()) return;
  WriteRecoverySoundEnd(recordPath_, soundEnd == kSoundToEnd ? kRecordSoundToEnd : soundEnd);
}

void RecoveryNote::Finished() {
  if (!recordPath_.empty()) DeleteRecoveryRecord(recordPath_);
  recordPath_.clear();
}
