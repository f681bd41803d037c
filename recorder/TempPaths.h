// Where the recorder puts its temporary and final files.
#pragma once
#include <string>

// How many names a probe tries before it gives up.
constexpr int kMaxPathProbes = 32;

// The host program's folder, without the trailing backslash (empty when the path has none).
std::string ProgramDirectory();
// The Windows temp folder, or the program's folder once the temp folder was found unusable.
std::string TempDirectory();
// The path cut before its last backslash (searched as ANSI multibyte text); "" without one.
std::string CutBeforeLastBackslash(const std::string& path);

// Choose a creatable path and store it in the recorder state; false when every probe failed
// (the stored path is then empty).
bool ChooseTempVideoPath();
bool ChooseTempSoundPath();

// Replaces the Windows folder that TempDirectory looks in (tests only; "" restores the system's).
void OverrideWindowsDirectory(const std::string& directory);
