#include "recorder/recovery/SoundSalvage.h"

#include <windows.h>
#include <mmreg.h>
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
