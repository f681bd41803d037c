// Writes the AVI file of a recovered recording: the header the AVI library would have written
// at the close (one video stream with the recorded format, rate and scale; a PCM stream when
// sound was salvaged), the frame chunks copied unchanged in their order, and an index with one
// entry per chunk, key frames marked.
#pragma once
#include "recorder/recovery/BinaryFile.h"
#include "recorder/recovery/FrameChunks.h"
#include "recorder/recovery/RecoveryRecord.h"
#include "recorder/recovery/SoundSalvage.h"

#include <string>
#include <vector>

struct RecoveredSound {
  const FileReader* file = nullptr;
  SalvagedSound sound;
};

// The size of the file that WriteRecoveredAvi writes for these chunks and sound.
uint64_t RecoveredAviBytes(const std::vector<FrameChunk>& chunks, const RecoveredSound* sound);

enum class RecoveredAviWrite {
  Written,
  CannotHold,   // a plain AVI file cannot hold it (past 4 GB, or no picture format)
  ReadFailed,   // a chunk or the sound could not be read (a read error, or the reader was stopped)
  WriteFailed,  // the new file could not be created or written
};

// Writes `path` from the chunks of `frames`; whatever is not Written leaves no file behind.
RecoveredAviWrite WriteRecoveredAvi(const std::string& path, const RecoveryRecord& record,
                                    const FileReader& frames, const std::vector<FrameChunk>& chunks,
                                    const RecoveredSound* sound);
