// The sound of an interrupted microphone recording: a WAV file whose sizes were never filled in
// (the writer sets them when it closes the file), so its samples run to the end of the file.
#pragma once
#include "recorder/recovery/BinaryFile.h"

#include <cstdint>
#include <vector>

struct SalvagedSound {
  std::vector<uint8_t> format;  // the WAVEFORMATEX as stored in the file's "fmt " chunk
  uint16_t blockAlign = 0;
  uint32_t bytesPerSecond = 0;
  uint64_t dataOffset = 0;  // first sample byte
  uint64_t dataBytes = 0;   // whole sample frames only
};

// Reads the header of a RIFF/WAVE file with a PCM "fmt " chunk followed by "data"; a data size
// that is still the provisional one, or that reaches past the end, is replaced by what the file
// holds. False when the file is not such a WAV file.
bool SalvageSound(const FileReader& file, SalvagedSound& sound);

// The offset into the sound's samples of a stream position of the recording it goes with
// (`rate` positions per `scale` seconds), in whole sample frames.
uint64_t SoundBytesAtPosition(const SalvagedSound& sound, uint64_t position, uint32_t rate, uint32_t scale);
// Narrows the sound to the section between two stream positions; an end past the samples (as
// ~0) keeps the rest of them.
void KeepSoundSection(SalvagedSound& sound, uint64_t start, uint64_t end, uint32_t rate, uint32_t scale);
