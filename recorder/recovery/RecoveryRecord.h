// The recovery record of a screen recording: a small INI file that Vistrel writes beside the file
// it records into when the recording starts and deletes when the recording has finished cleanly.
// The AVI library writes a file's headers and index only when it closes the file, so after a
// crash or a power cut the file holds frame chunks and nothing that says what they are; the
// record holds that (picture format, stream rate, where the chunks start, which files belong to
// the recording), and Lumora rebuilds the file from it at its next start.
//
// An INI file rather than a binary block: it is written once at the start (and once more when
// the first chunk's place is known), read with the same private-profile calls as every other
// small record of the program, and a person can read it. It is hidden, so the lesson folder the
// teacher sees does not change.
//
// Sound: a capture run records one WAV file while its picture may roll over into several parts.
// Every part's record names the run's WAV file and the stream position of the run at which the
// part begins (SoundStart); a part that was followed by another also gets the position where it
// ends (SoundEnd). The repair takes the part's section of the WAV from these, so no sound is
// copied while recording. Records written before these keys existed read as a section from the
// start to the end: the whole file, as they were repaired before.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A part's sound that runs to the end of the WAV file.
constexpr uint64_t kRecordSoundToEnd = ~0ull;

struct RecoveryRecord {
  std::string finalPath;  // the file the teacher gets (screen.avi)
  std::string videoPath;  // the file the frames go into: finalPath itself, or a temporary AVI
  std::string soundPath;  // the temporary WAV of a microphone recording, empty without one
  uint64_t soundStart = 0;                // run position where the part's sound begins
  uint64_t soundEnd = kRecordSoundToEnd;  // run position where it ends
  std::vector<uint8_t> format;  // the compressed stream's format (BITMAPINFOHEADER and colours)
  uint32_t handler = 0;         // the compressor's FOURCC ('MSVC')
  uint32_t rate = 0;            // stream positions per `scale` seconds (200 per 1)
  uint32_t scale = 0;
  uint32_t suggestedBufferSize = 0;
  uint64_t dataStart = 0;  // file offset of the first frame chunk; 0 while unknown
  std::string handled;     // set when a repair was tried and failed, so it is tried only once
};

// The record's path for the file `videoPath` records into.
std::string RecoveryRecordPath(const std::string& videoPath);
// The pattern that finds records in a folder (for FindFirstFile).
extern const char kRecoveryRecordPattern[];

// Writes the whole record (replacing an older one) as a hidden file; true when it was written.
bool WriteRecoveryRecord(const std::string& recordPath, const RecoveryRecord& record);
// Adds the first chunk's offset to a written record.
bool WriteRecoveryDataStart(const std::string& recordPath, uint64_t dataStart);
// Adds where the part's sound ends (kRecordSoundToEnd removes it again).
bool WriteRecoverySoundEnd(const std::string& recordPath, uint64_t soundEnd);
// Marks the record as handled with a short reason; the record stays for a person to read.
bool MarkRecoveryHandled(const std::string& recordPath, const std::string& reason);
// Reads a record; false when the file is missing or lacks the picture format or rate.
bool ReadRecoveryRecord(const std::string& recordPath, RecoveryRecord& record);
// Deletes the record (hidden files included).
void DeleteRecoveryRecord(const std::string& recordPath);

// The record's paths as they are now. A lesson folder may have been moved (to a disk with room)
// or copied since its record was written, and the record names absolute paths: every file that
// lay in the record's own folder is taken from the folder where the record lies now. A file
// elsewhere (the run's sound in the temp folder) keeps its absolute path, as does a sound file
// that was beside the record but did not come along.
void PlaceBesideRecord(const std::string& recordPath, RecoveryRecord& record);
