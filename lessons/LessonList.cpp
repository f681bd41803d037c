#include "lessons/LessonList.h"

#include "framework/Handles.h"
#include "framework/Text.h"

#include <commctrl.h>

namespace {
// Characters first..first+count-1 (counted from 1) of the name; shorter names give less.
std::string Characters(const std::string& name, size_t first, size_t count) {
  if (first > name.size()) return {};
  return name.substr(first - 1, count);
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadDuration(const std::string& saveDir, const std::string& folderName) {
  char buffer[80] = {};
  std::string ini = Format("%s\\%s\\html\\time.ini", saveDir.c_str(), folderName.c_str());
  GetPrivateProfileStringA("TimeInfo", "time", "", buffer, sizeof(buffer), ini.c_str());
  return buffer;
}
}  // namespace

std::vector<LessonEntry> FindLessons(const std::string& saveDir) {
  std::vector<LessonEntry> lessons;
  WIN32_FIND_DATAA entry{};
  FindHandle find(FindFirstFileA(Format("%s\\*.*", saveDir.c_str()).c_str(), &entry));
  if (!find.Valid()) return lessons;
  do {
    std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (!FileExists(Format("%s\\%s\\index.htm", saveDir.c_str(), name.c_str()))) continue;
    lessons.push_back({name, ReadDuration(saveDir, name)});
  } while (FindNextFileA(find.Get(), &entry));
  return lessons;
}

std::string LessonRowText(size_t position, const LessonEntry& lesson) {
  const std::string& name = lesson.folderName;
  return Format("%02u. %s(%s %s:%s:%s)%s", static_cast<unsigned>(position), "会议",
                Characters(name, 1, 8).c_str(), Characters(name, 9, 2).c_str(),
                Characters(name, 11, 2).c_str(), Characters(name, 13, 2).c_str(),
                lesson.duration.c_str());
}

void LessonList::Fill(HWND listView, const std::string& saveDir) {
  SendMessageA(listView, LVM_DELETEALLITEMS, 0, 0);
  folderNames_.clear();
  for (const LessonEntry& lesson : FindLessons(saveDir)) {
    size_t index = folderNames_.size();
    folderNames_.push_back(lesson.folderName);
    std::string text = LessonRowText(index + 1, lesson);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = static_cast<int>(index);
    item.iImage = 0;
    item.lParam = static_cast<LPARAM>(index);
    item.pszText = &text[0];
    SendMessageA(listView, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
}

std::string LessonList::SelectedFolderName(HWND listView) const {
  int selected = static_cast<int>(
      SendMessageA(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
  if (selected < 0) return {};
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = selected;
  if (!SendMessageA(listView, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return {};
  // A row inserted by someone else, or left from before a refresh, names no lesson of ours.
  if (item.lParam < 0 || static_cast<size_t>(item.lParam) >= folderNames_.size()) return {};
  return folderNames_[static_cast<size_t>(item.lParam)];
}

void LessonList::ShowRowState(HWND listView, const std::string& saveDir, const std::string& folderName,
                              const std::string& state) const {
  for (size_t index = 0; index < folderNames_.size(); ++index) {
    if (folderNames_[index] != folderName) continue;
    // The row is found by the folder index it keeps, whatever its place.
    LVFINDINFOA find{};
    find.flags = LVFI_PARAM;
    find.lParam = static_cast<LPARAM>(index);
    int row = static_cast<int>(SendMessageA(listView, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    if (row < 0) return;
    LessonEntry lesson{folderName, state.empty() ? ReadDuration(saveDir, folderName) : state};
    std::string text = LessonRowText(index + 1, lesson);
    LVITEMA item{};
    item.iSubItem = 0;
    item.pszText = &text[0];
    SendMessageA(listView, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return;
  }
}

std::string LessonFolderPath(const std::string& saveDir, const std::string& folderName) {
  return Format("%s\\%s", saveDir.c_str(), folderName.c_str());
}

std::string LessonSubjectPath(const std::string& saveDir, const std::string& folderName) {
  return Format("%s\\%s\\html\\subject.txt", saveDir.c_str(), folderName.c_str());
}

std::string LessonPagePath(const std::string& saveDir, const std::string& folderName) {
  return Format("%s\\%s\\index.htm", saveDir.c_str(), folderName.c_str());
}
