#include "recorder/recovery/SoundSalvage.h"

#include <windows.h>
#include <mmreg.h>
#include <algorithm>
#include <cstring>

bool SalvageSound(const FileReader& file, SalvagedSound& sound) {
  char riff[12];
  if (!file.ReadAt(0, riff, 12) || memcmp(riff, "RIFF", 4) != 0 || memcmp(riff + 8, "WAVE", 4) != 0)
    return false;
  uint64_t at = 12;
  bool haveFormat = false;
  while (at + 8 <= file.Size()) {
    char header[8];
    if (!file.ReadAt(at, header, 8)) return false;
    uint32_t size;
    memcpy(&size, header + 4, 4);
    if (memcmp(header, "fmt ", 4) == 0) {
      if (size < 16 || size > 1024) return false;
      sound.format.resize(size);
      if (!file.ReadAt(at + 8, sound.format.data(), size)) return false;
      WAVEFORMATEX fmt = {};
      memcpy(&fmt, sound.format.data(), 16);
      if (fmt.wFormatTag != WAVE_FORMAT_PCM || fmt.nBlockAlign == 0 || fmt.nAvgBytesPerSec == 0)
        return false;
      sound.blockAlign = fmt.nBlockAlign;
      sound.bytesPerSecond = fmt.nAvgBytesPerSec;
      haveFormat = true;
    } else if (memcmp(header, "data", 4) == 0) {
      if (!haveFormat) return false;
      sound.dataOffset = at + 8;
      uint64_t held = file.Size() - sound.dataOffset;
      // The writer leaves the fmt chunk's size (18) here until it closes the file.
      uint64_t bytes = (size <= 18 || size > held) ? held : size;
      sound.dataBytes = bytes - bytes % sound.blockAlign;
      return true;
    }
    at += 8 + uint64_t(size) + (size & 1);
  }
  return false;
}

uint64_t SoundBytesAtPosition(const SalvagedSound& sound, uint64_t position, uint32_t rate, uint32_t scale) {
  if (rate == 0 || sound.blockAlign == 0) return 0;
  // Positions are counted in the billions at most; the product stays far below 2^64 for them.
  const uint64_t bytes = position >= (1ull << 40) ? ~0ull : position * scale * sound.bytesPerSecond / rate;
  return bytes - bytes % sound.blockAlign;
}

void KeepSoundSection(SalvagedSound& sound, uint64_t start, uint64_t end, uint32_t rate, uint32_t scale) {
  const uint64_t from = std::min(SoundBytesAtPosition(sound, start, rate, scale), sound.dataBytes);
  const uint64_t to = std::max(from, std::min(SoundBytesAtPosition(sound, end, rate, scale), sound.dataBytes));
  sound.dataOffset += from;
  sound.dataBytes = to - from;
}
