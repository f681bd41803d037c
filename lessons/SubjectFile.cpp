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

bool SaveSubject(const std::string& path, const std::string& shownText) {
  if (!ReplaceFileContents(path, ToHtmlText(shownText))) return false;
  if (IsCoursePageSubject(path)) WriteSubjectScript(path);
  return true;
}
