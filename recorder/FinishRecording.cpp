#include "recorder/FinishRecording.h"

#include "framework/Handles.h"
#include "recorder/MergedAvi.h"
#include "recorder/RecorderState.h"
#include "recorder/audio/SoundSection.h"
#include "recorder/audio/WaveIn.h"
#include "recorder/recovery/AviCheck.h"
#include "recorder/recovery/RecordingParts.h"
#include "recorder/recovery/RecoveryRecord.h"

#include <windows.h>
#include <vfw.h>
#include <algorithm>
#include <vector>

namespace {
// Streams of the merge, released at the end of every path.
class StreamRef {
public:
  StreamRef() = default;
  ~StreamRef() { Reset(); }
  StreamRef(const StreamRef&) = delete;
  StreamRef& operator=(const StreamRef&) = delete;
  PAVISTREAM* Out() { Reset(); return &stream_; }
  PAVISTREAM Get() const { return stream_; }
  void Reset() {
    if (stream_) AVIStreamRelease(std::exchange(stream_, nullptr));
  }

private:
  PAVISTREAM stream_ = nullptr;
};

class AviLibraryUse {
public:
  AviLibraryUse() { AVIFileInit(); }
  ~AviLibraryUse() { AVIFileExit(); }
  AviLibraryUse(const AviLibraryUse&) = delete;
  AviLibraryUse& operator=(const AviLibraryUse&) = delete;
};

// Opens the picture file and makes an editable copy of its video stream.
bool OpenEditableVideo(const std::string& path, StreamRef& editable) {
  PAVIFILE file = nullptr;
  if (AVIFileOpenA(&file, path.c_str(), OF_SHARE_DENY_WRITE, nullptr) != 0) return false;
  StreamRef video;
  bool ok = AVIFileGetStream(file, video.Out(), streamtypeVIDEO, 0) == 0 &&
            CreateEditableStream(editable.Out(), video.Get()) == 0;
  video.Reset();
  AVIFileRelease(file);
  return ok;
}

bool OpenEditableSound(const std::string& path, StreamRef& editable) {
  StreamRef sound;
  if (AVIStreamOpenFromFileA(sound.Out(), path.c_str(), streamtypeAUDIO, 0, OF_SHARE_DENY_WRITE,
                             nullptr) != 0)
    return false;
  return CreateEditableStream(editable.Out(), sound.Get()) == 0;
}

DWORD StreamType(PAVISTREAM stream) {
  AVISTREAMINFOA info = {};
  AVIStreamInfoA(stream, &info, sizeof(info));
  return info.fccType;
}

// The final file must be creatable before anything is merged into it; a busy file is tried
// again for a short while.
bool ProbeFinalFile(const std::string& path) {
  for (int attempt = 0; attempt < kFinalFileProbes; ++attempt) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      file.Reset();
      DeleteFileA(path.c_str());
      return true;
    }
    Sleep(kFinalFileProbePauseMs);
  }
  return false;
}

bool CopyOver(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}
}  // namespace

long InterleaveSpacing(const InterleaveSettings& interleave) {
  if (interleave.mode == 1) return interleave.value;
  return std::max(1L, static_cast<long>(200L * interleave.value / 1000));
}

MergeResult MergeAudioVideo(const std::string& videoPath, const std::string& soundPath,
                            const std::string& finalPath, const InterleaveSettings& interleave) {
  AviLibraryUse library;
  StreamRef video;
  if (!OpenEditableVideo(videoPath, video)) return MergeNoVideo;
  StreamRef sound;
  if (!OpenEditableSound(soundPath, sound)) return MergeNoSound;
  if (StreamType(video.Get()) != streamtypeVIDEO) return MergeNotVideo;
  if (StreamType(sound.Get()) != streamtypeAUDIO) return MergeNotAudio;

  DWORD interleaveFlag = interleave.enabled ? AVICOMPRESSF_INTERLEAVE : 0;
  DWORD spacing = static_cast<DWORD>(InterleaveSpacing(interleave));
  AVICOMPRESSOPTIONS videoOptions = {};
  videoOptions.fccType = streamtypeVIDEO;
  videoOptions.dwFlags = AVICOMPRESSF_DATARATE | AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID |
                         interleaveFlag;
  videoOptions.dwKeyFrameEvery = 0xFFFFFFFF;
  videoOptions.dwQuality = 0xFFFFFFFF;
  videoOptions.dwInterleaveEvery = spacing;
  AVICOMPRESSOPTIONS soundOptions = {};
  soundOptions.fccType = streamtypeAUDIO;
  soundOptions.dwFlags = AVICOMPRESSF_VALID | interleaveFlag;
  soundOptions.dwInterleaveEvery = spacing;
  LONG formatSize = 0;
  AVIStreamReadFormat(sound.Get(), AVIStreamStart(sound.Get()), nullptr, &formatSize);
  if (formatSize != 0) {
    soundOptions.lpFormat = GlobalLock(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, formatSize));
    if (soundOptions.lpFormat) {
      soundOptions.cbFormat = static_cast<DWORD>(formatSize);
      AVIStreamReadFormat(sound.Get(), AVIStreamStart(sound.Get()), soundOptions.lpFormat,
                          &formatSize);
    }
  }

  PAVISTREAM streams[2] = {video.Get(), sound.Get()};
  AVICOMPRESSOPTIONS* options[2] = {&videoOptions, &soundOptions};
  // The save and the tidy-up go into a file beside the final one, which takes the final name
  // only once it reads back whole: a write that breaks off never leaves a damaged final file,
  // and until the swap the temporary files still hold the whole recording.
  const std::string merging = MergingPath(finalPath);
  HRESULT saved = AVISaveVA(merging.c_str(), nullptr, PumpMessages, 2, streams, options);
  AVISaveOptionsFree(2, options);
  video.Reset();
  sound.Reset();
  if (saved != 0 || TidyMergedAvi(merging) == TidyResult::WriteFailed || !CheckAviFileEnds(merging, nullptr) ||
      !MoveFileExA(merging.c_str(), finalPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(merging.c_str());
    return MergeSaveFailed;
  }
  return MergeSaved;
}

void ApplyMergeOutcome(MergeResult result, const std::string& videoPath,
                       const std::string& soundPath, const std::string& finalPath) {
  switch (result) {
    case MergeSaved:
    case MergeNoVideo:
    case MergeNotVideo:
      DeleteFileA(videoPath.c_str());
      DeleteFileA(soundPath.c_str());
      break;
    case MergeNoSound:
    case MergeNotAudio:
      if (CopyOver(videoPath, finalPath)) {
        DeleteFileA(videoPath.c_str());
        DeleteFileA(soundPath.c_str());
      }
      break;
    case MergeSaveFailed:
      if (!CopyOver(videoPath, finalPath)) break;
      DeleteFileA(videoPath.c_str());
      if (CopyOver(soundPath, finalPath + ".wav")) DeleteFileA(soundPath.c_str());
      break;
  }
}

namespace {
// A run recorded in one part: its sound file is the part's whole sound.
bool RunHasOnePart(const std::vector<RecordedPart>& parts, const RecordedPart& part) {
  return std::count_if(parts.begin(), parts.end(),
                       [&](const RecordedPart& other) { return other.run == part.run; }) == 1;
}

// Joins one part's picture with its sound; a final file that stays locked leaves both in place.
// True when the part has reached its final file (its temporary picture is gone).
bool MergePart(const RecordedPart& part, const std::string& soundPath) {
  if (!ProbeFinalFile(part.finalPath)) return false;
  MergeResult result = MergeAudioVideo(part.videoPath, soundPath, part.finalPath, CurrentInterleave());
  ApplyMergeOutcome(result, part.videoPath, soundPath, part.finalPath);
  if (GetFileAttributesA(part.videoPath.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  // Its recovery record (an earlier run's too) goes with it.
  DeleteRecoveryRecord(RecoveryRecordPath(part.videoPath));
  return true;
}
}  // namespace

void FinishRecording() {
  RecorderState& state = Recorder();
  if (state.audioMode == AudioNone) return;
  std::vector<RecordedPart> parts = std::move(state.recordedParts);
  state.recordedParts.clear();
  // Each part is merged with its own section of its run's sound, cut into a WAV file beside the
  // part's picture. A part that is not merged keeps its picture and its record, which names the
  // run's sound file: so that file goes only once every part of the run has been merged.
  std::vector<std::string> runSounds;
  std::vector<bool> allMerged;
  for (const RecordedPart& part : parts) {
    if (RunHasOnePart(parts, part)) {
      MergePart(part, part.soundPath);
      continue;
    }
    auto known = std::find(runSounds.begin(), runSounds.end(), part.soundPath);
    size_t run = static_cast<size_t>(known - runSounds.begin());
    if (known == runSounds.end()) {
      runSounds.push_back(part.soundPath);
      allMerged.push_back(true);
    }
    std::string section = part.videoPath + ".wav";
    // A sound that cannot be cut leaves the part its picture, and the run's sound stays.
    const bool cut = WriteSoundSection(part.soundPath, section, part.soundStart, part.soundEnd);
    const bool merged = MergePart(part, section);
    if (!cut || !merged) allMerged[run] = false;
    // The repair takes the section from the run's sound again.
    if (!merged) DeleteFileA(section.c_str());
  }
  for (size_t run = 0; run < runSounds.size(); ++run) {
    if (allMerged[run]) DeleteFileA(runSounds[run].c_str());
  }
}

BOOL CALLBACK PumpMessages(int) {
  MSG message;
  for (int taken = 0; taken < 3 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++taken) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
