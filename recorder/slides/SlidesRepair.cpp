#include "recorder/slides/SlidesRepair.h"

#include "framework/Handles.h"
#include "recorder/slides/SlideList.h"
#include "recorder/slides/SlidePicture.h"

#include <windows.h>
#include <objbase.h>

#include <vector>

namespace {
std::string ReadWholeFile(const std::string& path, bool* read) {
  *read = false;
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  *read = true;
  return bytes;
}

// The temporary files of pictures whose writing was cut off.
void RemoveUnfinishedPictures(const std::string& folder) {
  WIN32_FIND_DATAA found = {};
  FindHandle find(FindFirstFileA((folder + "\\lum*.tmp").c_str(), &found));
  if (!find.Valid()) return;
  do {
    DeleteFileA((folder + "\\" + found.cFileName).c_str());
  } while (FindNextFileA(find.Get(), &found));
}

// COM for the picture decoder, on whatever thread the repair runs.
class ComUse {
public:
  ComUse() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComUse() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComUse(const ComUse&) = delete;
  ComUse& operator=(const ComUse&) = delete;

private:
  HRESULT result_;
};
}  // namespace

bool RepairSlidesScript(const std::string& htmlDir) {
  bool read = false;
  const std::string script = ReadWholeFile(SlidesScriptPath(htmlDir), &read);
  if (!read) return GetFileAttributesA(SlidesScriptPath(htmlDir).c_str()) == INVALID_FILE_ATTRIBUTES;
  ComUse com;
  RemoveUnfinishedPictures(SlidesFolder(htmlDir));
  std::vector<SlideEntry> kept;
  for (const SlideEntry& entry : ParseSlidesScript(script)) {
    const std::string picture = SlidePicturePath(htmlDir, entry.number);
    // A damaged picture stays on disk but out of the list: the page shows only whole pictures.
    if (SlidePictureReadable(picture)) kept.push_back(entry);
  }
  return WriteSlidesScript(htmlDir, kept);
}
