// Recordings for the recovery tests: a real one of a screen corner, written through the
// recorder's own AVI set-up with its recovery record, and the damage a kill leaves on it.
#pragma once
#include <cstdint>
#include <string>

// Records `frames` frames of the screen's top-left 64 x 48 pixels at every fourth position into
// `videoPath` (so three empty positions follow each frame), with the recovery record beside it
// naming `finalPath` and `soundPath` (the part's sound beginning at run position `soundStart`).
// The file is closed, so it is complete; the record stays, as it does when a recording is cut off
// after the file was finished.
bool RecordCorner(const std::string& videoPath, const std::string& finalPath,
                  const std::string& soundPath, int frames, uint32_t soundStart = 0);

// What a kill does to the file: the header area before the first chunk is zeros and the file
// ends after the last chunk (the index is never written). With `tearBytes`, the last chunk is
// cut that many bytes before its end.
bool CutOffLikeAKill(const std::string& path, unsigned tearBytes);
// What a power cut can leave inside a file's length: the data of the `picture`-th picture (from
// 0) runs out before its codes have covered the picture (eight-colour codes throughout). False
// when there is no such picture or its chunk is too large for the codes to run out.
bool TearPictureData(const std::string& path, int picture, int width, int height);
// Zeros the header area only; the index at the end stays.
bool ZeroHeaders(const std::string& path);
// The WAV file of a microphone recording as it stands before the writer closed it: its RIFF
// and data sizes still hold the provisional values.
bool MakeUnclosedWav(const std::string& path, int milliseconds);

// Files for the ffmpeg check: LUMORA_RECOVERY_OUT names a folder; each call copies `path` there
// as `name` and, with `expectation`, writes name.txt holding it. Nothing without the variable.
void KeepForDecodeCheck(const std::string& path, const std::string& name, const std::string& expectation);
