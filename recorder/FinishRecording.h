// The end of a recording with sound: the temporary picture and sound files are joined into the
// final file, or what can be kept is copied there.
#pragma once
#include <windows.h>
#include <string>

enum MergeResult {
  MergeSaved = 0,         // the final file holds picture and sound
  MergeNoVideo = 1,       // the temporary video cannot be opened or has no editable video stream
  MergeNoSound = 2,       // the temporary sound cannot be opened as an editable audio stream
  MergeNotVideo = 3,      // the first stream is not a video stream
  MergeNotAudio = 4,      // the second stream is not an audio stream
  MergeSaveFailed = 5,    // the save itself failed
};

// How many times the final file is tried, and the pause between tries.
constexpr int kFinalFileProbes = 40;
constexpr unsigned kFinalFileProbePauseMs = 50;

struct InterleaveSettings {
  int enabled;  // 1: the streams are interleaved
  int value;
  int mode;     // 1: value is the spacing itself; otherwise milliseconds of the stream
};

// Positions of the 200-per-second stream between interleaved blocks.
long InterleaveSpacing(const InterleaveSettings& interleave);

MergeResult MergeAudioVideo(const std::string& videoPath, const std::string& soundPath,
                            const std::string& finalPath, const InterleaveSettings& interleave);

// What FinishRecording keeps and deletes for each merge result.
void ApplyMergeOutcome(MergeResult result, const std::string& videoPath,
                       const std::string& soundPath, const std::string& finalPath);

// Joins each recorded part's temporary picture with its sound into the part's final file
// (nothing to do without sound).
void FinishRecording();

// Progress callback of the save: lets the capture thread's messages through, three at a time.
BOOL CALLBACK PumpMessages(int percent);
