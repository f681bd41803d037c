#include "tests/recovery/DamagedRecordings.h"

#include "recorder/AviCapture.h"
#include "recorder/PackedDib.h"
#include "recorder/RecoveryNote.h"
#include "recorder/ScreenFrame.h"
#include "tests/recorder/RecordingFiles.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <cstring>

namespace {
// The first chunk follows the "movi" list header; the index starts with "idx1".
bool FindLayout(const std::string& bytes, size_t* firstChunk, size_t* index) {
  size_t movi = bytes.find("movi");
  size_t idx1 = bytes.rfind("idx1");
  if (movi == std::string::npos || idx1 == std::string::npos || idx1 < movi) return false;
  *firstChunk = movi + 4;
  *index = idx1;
  return true;
}
}  // namespace

bool RecordCorner(const std::string& videoPath, const std::string& finalPath,
                  const std::string& soundPath, int frames, uint32_t soundStart) {
  CaptureRectangle corner = {0, 0, 63, 47};
  AviCapture avi;
  if (avi.Open(videoPath, corner, 200) != AviSetUp::Ready) return false;
  RecoveryNote note;
  note.Begin(avi, videoPath, finalPath, soundPath, soundStart);
  for (int i = 0; i < frames; ++i) {
    BITMAPINFOHEADER* frame = GrabScreenFrame(0, 0, 64, 48);
    HRESULT written = avi.WriteFrame(frame, static_cast<uint32_t>(i * 4));
    FreeDib(frame);
    if (written != 0) return false;
    note.FrameWritten();
  }
  avi.FreeOptions();
  avi.Close();
  return true;
}

bool CutOffLikeAKill(const std::string& path, unsigned tearBytes) {
  std::string bytes = ReadFileBytes(path);
  size_t first, index;
  if (!FindLayout(bytes, &first, &index) || tearBytes > index - first) return false;
  std::string cut = std::string(first, '\0') + bytes.substr(first, index - first - tearBytes);
  return WriteFileBytes(path, cut);
}

bool TearPictureData(const std::string& path, int picture, int width, int height) {
  std::string bytes = ReadFileBytes(path);
  size_t at, index;
  if (!FindLayout(bytes, &at, &index)) return false;
  const size_t eightColourBytes = size_t((width + 3) / 4) * ((height + 3) / 4) * 18;
  for (int pictures = 0; at + 8 <= index;) {
    uint32_t size;
    memcpy(&size, &bytes[at + 4], 4);
    if (size > 0 && pictures++ == picture) {
      if (size >= eightColourBytes) return false;
      for (size_t i = 0; i < size; ++i) bytes[at + 8 + i] = (i % 18 == 3) ? '\x80' : '\0';
      return WriteFileBytes(path, bytes);
    }
    at += 8 + size + (size & 1);
  }
  return false;
}

bool ZeroHeaders(const std::string& path) {
  std::string bytes = ReadFileBytes(path);
  size_t first, index;
  if (!FindLayout(bytes, &first, &index)) return false;
  memset(&bytes[0], 0, first);
  return WriteFileBytes(path, bytes);
}

bool MakeUnclosedWav(const std::string& path, int milliseconds) {
  if (!WriteToneWav(path, milliseconds)) return false;
  std::string bytes = ReadFileBytes(path);
  if (bytes.size() < 46 || bytes.compare(38, 4, "data") != 0) return false;
  const uint32_t riff = 0, data = 18;
  memcpy(&bytes[4], &riff, 4);
  memcpy(&bytes[42], &data, 4);
  return WriteFileBytes(path, bytes);
}

void KeepForDecodeCheck(const std::string& path, const std::string& name, const std::string& expectation) {
  const char* folder = getenv("LUMORA_RECOVERY_OUT");
  if (!folder || !*folder) return;
  CopyFileA(path.c_str(), (std::string(folder) + "\\" + name).c_str(), FALSE);
  if (!expectation.empty()) WriteFileBytes(std::string(folder) + "\\" + name + ".txt", expectation + "\n");
}
