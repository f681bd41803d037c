#include "recorder/TempPaths.h"

#include "framework/Handles.h"
#include "framework/Text.h"
#include "recorder/RecorderState.h"
#include "recorder/recovery/RecordingParts.h"
#include "recorder/recovery/RecoveryRecord.h"

#include <windows.h>
#include <cstdlib>
#include <ctime>

namespace {
std::string windowsDirectoryOverride;

std::string WindowsDirectory() {
  if (!windowsDirectoryOverride.empty()) return windowsDirectoryOverride;
  char buffer[300] = {};
  GetWindowsDirectoryA(buffer, sizeof(buffer));
  return buffer;
}

// Creates the file (replacing what stands there) and deletes it again, so the path is known to
// be creatable and nothing is left behind. CreateFileA rather than OpenFile: OpenFile refuses
// paths over 128 characters, which would send a long lesson path into a random temp file.
bool ProbeCreatable(const std::string& path) {
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  file.Reset();
  DeleteFileA(path.c_str());
  return true;
}

// A file that an earlier part or run of this recording still needs: the probe would delete it.
// (The random names below repeat when two probes fall in the same second.)
bool HeldByRecording(const std::string& path) {
  for (const RecordedPart& part : Recorder().recordedParts) {
    if (lstrcmpiA(part.videoPath.c_str(), path.c_str()) == 0 ||
        lstrcmpiA(part.soundPath.c_str(), path.c_str()) == 0)
      return true;
  }
  return false;
}

// A file that an interrupted recording waits with for its repair: a picture with its pending
// recovery record beside it, or a sound file that exists at all. The records that name a run's
// sound can lie in any lesson, so an existing sound file is never taken (the probe would
// destroy it, and the new recording's sound would end up in the old lesson's repair).
bool WaitsForRepair(const std::string& path, const char* extension) {
  if (lstrcmpiA(extension, ".wav") == 0) return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  RecoveryRecord record;
  return ReadRecoveryRecord(RecoveryRecordPath(path), record) && record.handled.empty();
}

bool Usable(const std::string& path, const char* extension) {
  return !HeldByRecording(path) && !WaitsForRepair(path, extension) && ProbeCreatable(path);
}

// Probes `first`, then random names "~temp<n><extension>" in the temp folder.
std::string ChooseCreatablePath(const std::string& first, const char* extension) {
  if (Usable(first, extension)) return first;
  srand(static_cast<unsigned>(time(nullptr)));
  for (int attempt = 1; attempt < kMaxPathProbes; ++attempt) {
    std::string candidate = TempDirectory() + Format("\\~temp%d%s", rand(), extension);
    if (Usable(candidate, extension)) return candidate;
  }
  return {};
}
}  // namespace

std::string CutBeforeLastBackslash(const std::string& path) {
  size_t pos = LastBackslash(path);
  return pos == std::string::npos ? std::string() : path.substr(0, pos);
}

std::string ProgramDirectory() {
  char buffer[300] = {};
  GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
  return CutBeforeLastBackslash(buffer);
}

std::string TempDirectory() {
  RecorderState& state = Recorder();
  if (state.tempDirectoryChoice == 0) {
    std::string temp = WindowsDirectory() + "\\temp";
    WIN32_FIND_DATAA found = {};
    FindHandle search(FindFirstFileA(temp.c_str(), &found));
    if (search.Valid() && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return temp;
    state.tempDirectoryChoice = 1;
  }
  return ProgramDirectory();
}

bool ChooseTempVideoPath() {
  RecorderState& state = Recorder();
  // Each part of a long recording, and a restart after a failed write, has a file of its own.
  std::string first = RecordingPartPath(state.outputPath, state.partNumber);
  if (state.audioMode != AudioNone)
    first = RecordingPartPath(CutBeforeLastBackslash(state.outputPath) + "\\~temp.avi", state.partNumber);
  state.tempVideoPath = ChooseCreatablePath(first, ".avi");
  return !state.tempVideoPath.empty();
}

bool ChooseTempSoundPath() {
  RecorderState& state = Recorder();
  // Each capture run has a sound file of its own: ~temp001.wav, and ~temp002.wav after a restart.
  state.tempSoundPath =
      ChooseCreatablePath(TempDirectory() + Format("\\~temp%03d.wav", state.runNumber), ".wav");
  return !state.tempSoundPath.empty();
}

void OverrideWindowsDirectory(const std::string& directory) { windowsDirectoryOverride = directory; }
