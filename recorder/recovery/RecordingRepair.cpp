#include "recorder/recovery/RecordingRepair.h"

#include "framework/Handles.h"
#include "recorder/recovery/AviCheck.h"
#include "recorder/recovery/BinaryFile.h"
#include "recorder/recovery/FrameChunks.h"
#include "recorder/recovery/RecordingParts.h"
#include "recorder/recovery/RecoveredAvi.h"
#include "recorder/recovery/RecoveryRecord.h"
#include "recorder/recovery/SoundSalvage.h"

#include <windows.h>
#include <algorithm>
#include <cstring>
#include <memory>

namespace {
bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A recorder that still writes the file holds it without sharing writes.
bool StillBeingWritten(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return false;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION;
}

void Fill(RepairReport& report, const AviFacts& facts) {
  report.positions = facts.videoEntries;
  report.frames = facts.videoEntries - facts.emptyFrames;
  report.keyFrames = facts.keyFrames;
  report.soundBytes = facts.soundBytes;
  report.rate = facts.rate;
  report.scale = facts.scale;
}

RepairReport Fail(const std::string& recordPath, const std::string& reason) {
  RepairReport report;
  report.outcome = RepairOutcome::NotRepairable;
  report.reason = reason;
  MarkRecoveryHandled(recordPath, reason);
  return report;
}

RepairReport TryAgain(const std::string& reason) {
  RepairReport report;
  report.outcome = RepairOutcome::TryAgain;
  report.reason = reason;
  return report;
}

// A file that is not there at all, as opposed to one that cannot be opened now.
bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Room for a file of `bytes` beside `path` on its disk, with a margin for the file system.
bool RoomFor(const std::string& path, uint64_t bytes) {
  std::string folder = path.substr(0, path.find_last_of('\\') + 1);
  ULARGE_INTEGER available = {};
  if (!GetDiskFreeSpaceExA(folder.empty() ? nullptr : folder.c_str(), &available, nullptr, nullptr))
    return true;  // unknown: the write itself will tell
  return available.QuadPart >= bytes + (1u << 20);
}

RepairReport NoRoom() {
  RepairReport report;
  report.outcome = RepairOutcome::NoRoom;
  report.reason = "no room on the disk for the repaired file";
  return report;
}

// The records in the same folder as `recordPath` (itself included).
std::vector<std::string> RecordsBeside(const std::string& recordPath) {
  std::vector<std::string> records;
  size_t slash = recordPath.find_last_of('\\');
  std::string folder = slash == std::string::npos ? std::string() : recordPath.substr(0, slash + 1);
  WIN32_FIND_DATAA found = {};
  FindHandle search(FindFirstFileA((folder + kRecoveryRecordPattern).c_str(), &found));
  if (!search.Valid()) return records;
  do {
    records.push_back(folder + found.cFileName);
  } while (FindNextFileA(search.Get(), &found));
  return records;
}

// Another pending record, not yet handled, whose part takes its sound from the same file.
bool SoundWantedByOtherRecords(const std::string& recordPath, const std::string& soundPath,
                               const std::vector<std::string>& pendingRecords) {
  for (const std::string& other : pendingRecords.empty() ? RecordsBeside(recordPath) : pendingRecords) {
    RecoveryRecord record;
    if (lstrcmpiA(other.c_str(), recordPath.c_str()) == 0 || !ReadRecoveryRecord(other, record) ||
        !record.handled.empty())
      continue;
    PlaceBesideRecord(other, record);
    if (lstrcmpiA(record.soundPath.c_str(), soundPath.c_str()) == 0) return true;
  }
  return false;
}

// Reports the repair's reading of the picture file, which it reads twice (scan and copy), as
// 0 to 95 percent; the last steps (read-back, swap) follow.
std::function<bool(uint32_t)> ReadProgress(const FileReader& frames, const RepairOptions& options) {
  if (!options.progress) return {};
  auto read = std::make_shared<uint64_t>(0);
  auto told = std::make_shared<int>(-1);
  const uint64_t total = 2 * frames.Size() + 1;
  return [read, told, total, progress = options.progress](uint32_t bytes) {
    *read += bytes;
    const int percent = static_cast<int>(std::min<uint64_t>(95, *read * 95 / total));
    if (percent == *told) return true;
    *told = percent;
    return progress(percent);
  };
}

FrameLayout LayoutOf(const RecoveryRecord& record) {
  BITMAPINFOHEADER format = {};
  memcpy(&format, record.format.data(), sizeof(format));
  FrameLayout layout;
  layout.width = format.biWidth;
  layout.height = format.biHeight < 0 ? -format.biHeight : format.biHeight;
  // No compressed frame is larger than the picture it codes, plus a little slack.
  uint64_t picture = uint64_t((layout.width + 3) & ~3) * ((layout.height + 3) & ~3) * 4;
  layout.maxChunkBytes = static_cast<uint32_t>(picture + 65536);
  return layout;
}
}  // namespace

long RepairReport::Seconds() const {
  if (rate == 0) return 0;
  return static_cast<long>((uint64_t(positions) * scale + rate / 2) / rate);
}

RepairReport RepairRecording(const std::string& recordPath, const RepairOptions& options) {
  RepairReport report;
  RecoveryRecord record;
  if (GetFileAttributesA(recordPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
    report.reason = "no record";
    return report;
  }
  if (!ReadRecoveryRecord(recordPath, record)) return Fail(recordPath, "unreadable record");
  if (!record.handled.empty()) {
    report.outcome = RepairOutcome::AlreadyHandled;
    report.reason = record.handled;
    return report;
  }
  PlaceBesideRecord(recordPath, record);
  if (StillBeingWritten(record.videoPath)) {
    report.outcome = RepairOutcome::Busy;
    return report;
  }

  // Finished, only the record's removal was cut off: the final file reads back whole (and, for
  // a recording with sound, the merge got as far as that).
  AviFacts facts;
  if (CheckAviFile(record.finalPath, &facts) &&
      (record.videoPath == record.finalPath || !Exists(record.videoPath) || facts.streams > 1)) {
    Fill(report, facts);
    report.outcome = RepairOutcome::AlreadyComplete;
    DeleteRecoveryRecord(recordPath);
    return report;
  }

  FileReader frames;
  if (!frames.Open(record.videoPath)) {
    if (IsMissing(frames.OpenError())) return Fail(recordPath, "no picture file");
    return TryAgain("the picture file cannot be opened now");
  }
  frames.WatchReads(ReadProgress(frames, options));
  FrameLayout layout = LayoutOf(record);
  uint64_t first = 0;
  if (record.dataStart != 0) first = FindFirstFrameChunk(frames, record.dataStart, layout);
  if (first != record.dataStart || first == 0) first = FindFirstFrameChunk(frames, 0, layout);
  // What a failed read did not give is not known to be missing: the repair waits for a reader
  // that gets all of it.
  if (frames.Failed()) return TryAgain("the picture file could not be read");
  if (first == 0) return Fail(recordPath, "no frame reached the disk");
  std::vector<FrameChunk> chunks = ScanFrameChunks(frames, first, layout);
  if (frames.Failed()) return TryAgain("the picture file could not be read");
  // Decoding starts at the first picture, which the recorder always writes as a key frame.
  size_t firstPicture = 0;
  while (firstPicture < chunks.size() && chunks[firstPicture].size == 0) ++firstPicture;
  if (firstPicture == chunks.size() || !chunks[firstPicture].keyFrame)
    return Fail(recordPath, "no key frame");

  // The sound is taken when its file is a readable WAV; one that is there but cannot be read
  // now is waited for rather than left out.
  FileReader soundFile;
  RecoveredSound sound;
  bool soundReadable = false;
  if (!record.soundPath.empty()) {
    if (soundFile.Open(record.soundPath)) {
      soundReadable = SalvageSound(soundFile, sound.sound);
      if (soundFile.Failed()) return TryAgain("the sound file could not be read");
    } else if (!IsMissing(soundFile.OpenError())) {
      return TryAgain("the sound file cannot be opened now");
    }
  }
  // The part's own section of its run's sound (the whole file for a run of one part).
  if (soundReadable)
    KeepSoundSection(sound.sound, record.soundStart, record.soundEnd, record.rate, record.scale);
  bool withSound = soundReadable && sound.sound.dataBytes > 0;
  sound.file = &soundFile;

  // The repair writes a whole copy first; a full disk (often the reason the recording broke off)
  // is not the recording's fault, so it is tried again once there is room, never given up.
  const RecoveredSound* salvaged = withSound ? &sound : nullptr;
  const uint64_t bytes = RecoveredAviBytes(chunks, salvaged);
  std::string repaired = record.finalPath + ".repair";
  if (!RoomFor(repaired, bytes)) return NoRoom();
  switch (WriteRecoveredAvi(repaired, record, frames, chunks, salvaged)) {
    case RecoveredAviWrite::Written:
      break;
    case RecoveredAviWrite::CannotHold:
      return Fail(recordPath, "too large for one AVI file");
    case RecoveredAviWrite::ReadFailed:
      return TryAgain("the recording could not be read while it was copied");
    case RecoveredAviWrite::WriteFailed:
      // With its unfinished copy gone, a disk that filled up during the write is still full.
      if (!RoomFor(repaired, bytes)) return NoRoom();
      return TryAgain("the repaired file could not be written");
  }
  AviFacts written;
  if (!CheckAviFile(repaired, &written) || written.videoEntries != chunks.size()) {
    DeleteFileA(repaired.c_str());
    return Fail(recordPath, "the repaired file did not read back");
  }
  frames = FileReader();
  soundFile = FileReader();
  // A player, the Explorer's preview or a virus scanner may hold the old file without sharing
  // its deletion; the swap is then tried again at the next start.
  if (!MoveFileExA(repaired.c_str(), record.finalPath.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(repaired.c_str());
    return TryAgain("the repaired file could not replace the old one");
  }
  // A recording with sound kept its picture and sound in temporary files until the merge; the
  // repaired file now holds both, so they go as the merge would have removed them (with a
  // merge that was cut off). The run's sound goes with the last part still waiting for repair.
  if (record.videoPath != record.finalPath) {
    DeleteFileA(record.videoPath.c_str());
    DeleteFileA(MergingPath(record.finalPath).c_str());
    if (withSound && !SoundWantedByOtherRecords(recordPath, record.soundPath, options.pendingRecords))
      DeleteFileA(record.soundPath.c_str());
  }
  DeleteRecoveryRecord(recordPath);
  Fill(report, written);
  report.outcome = RepairOutcome::Repaired;
  if (options.progress) options.progress(100);
  return report;
}
