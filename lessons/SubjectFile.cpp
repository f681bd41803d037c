#include "lessons/SubjectFile.h"

#include "framework/Handles.h"
#include "framework/Text.h"
#include "lessons/SubjectScript.h"
#include "lessons/SubjectText.h"

#include <vector>

std::string ReadSubjectFileBytes(const std::string& path) {
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::vector<char> buffer(kSubjectReadLimit);
  DWORD total = 0;
  // A single read may return less than asked for, so read until the limit or the end.
  while (total < kSubjectReadLimit) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), buffer.data() + total, kSubjectReadLimit - total, &got, nullptr) ||
        got == 0)
      break;
    total += got;
  }
  return std::string(buffer.data(), total);
}

std::string ReadSubject(const std::string& path) { return FromHtmlText(ReadSubjectFileBytes(path)); }

bool ReplaceFileContents(const std::string& path, const std::string& bytes) {
  std::string folder = DirectoryWithBackslash(path);
  if (folder.empty()) folder = ".\\";
  char temporary[MAX_PATH] = {};
  if (!GetTempFileNameA(folder.c_str(), "lum", 0, temporary)) return false;
  bool written = false;
  {
    UniqueHandle file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      DWORD count = 0;
      written = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &count,
                          nullptr) &&
                count == bytes.size() && FlushFileBuffers(file.Get());
    }
  }
  if (written &&
      MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileA(temporary);
  return false;
}

bool SaveSubject(const std::string& path, const std::string& shownText) {
  if (!ReplaceFileContents(path, ToHtmlText(shownText))) return false;
  if (IsCoursePageSubject(path)) WriteSubjectScript(path);
  return true;
}
