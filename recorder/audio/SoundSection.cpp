#include "recorder/audio/SoundSection.h"

#include "recorder/FrameLoop.h"
#include "recorder/recovery/BinaryFile.h"
#include "recorder/recovery/SoundSalvage.h"

#include <windows.h>

bool WriteSoundSection(const std::string& from, const std::string& to, uint32_t start, uint32_t end) {
  FileReader source;
  SalvagedSound sound;
  if (!source.Open(from) || !SalvageSound(source, sound)) return false;
  const uint64_t last = end == ~0u ? ~0ull : end;
  KeepSoundSection(sound, start, last, kStreamRate, 1);
  if (sound.dataBytes > 0xFFFFFF00ull) return false;

  const uint32_t formatBytes = static_cast<uint32_t>(sound.format.size());
  const uint32_t dataBytes = static_cast<uint32_t>(sound.dataBytes);
  const uint32_t pad = (formatBytes & 1) + (dataBytes & 1);
  FileWriter out;
  bool ok = out.Create(to) && out.WriteFourcc("RIFF") &&
            out.WriteU32(4 + 8 + formatBytes + 8 + dataBytes + pad) && out.WriteFourcc("WAVE") &&
            out.WriteFourcc("fmt ") && out.WriteU32(formatBytes) &&
            out.Write(sound.format.data(), formatBytes) && (formatBytes % 2 == 0 || out.Write("", 1)) &&
            out.WriteFourcc("data") && out.WriteU32(dataBytes) &&
            CopyBytes(source, sound.dataOffset, dataBytes, out) && (dataBytes % 2 == 0 || out.Write("", 1));
  ok = out.Finish() && ok;
  if (!ok) DeleteFileA(to.c_str());
  return ok;
}
