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

// Writes `path` from the chunks of `frames`; false when writing failed or the file would pass
// the 4 GB a plain AVI file can describe.
bool WriteRecoveredAvi(const std::string& path, const RecoveryRecord& record,
                       const FileReader& frames, const std::vector<FrameChunk>& chunks,
                       const RecoveredSound* sound);
