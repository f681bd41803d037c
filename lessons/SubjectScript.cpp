#include "lessons/SubjectScript.h"

#include "framework/Text.h"
#include "lessons/SubjectFile.h"

#include <windows.h>

std::string SubjectScriptPath(const std::string& subjectPath) {
  return DirectoryWithBackslash(subjectPath) + "subject.js";
}

std::string SubjectScriptText(const std::string& fileText) {
  std::string script = "var lessonSubject = \"";
  for (wchar_t c : AnsiToWide(fileText)) {
    bool plain = c >= 0x20 && c < 0x7F && c != L'"' && c != L'\\' && c != L'<' && c != L'>' &&
                 c != L'&' && c != L'\'';
    if (plain) {
      script += static_cast<char>(c);
    } else {
      script += Format("\\u%04x", static_cast<unsigned>(c));
    }
  }
  script += "\";\r\n";
  return script;
}

bool IsCoursePageSubject(const std::string& subjectPath) {
  std::string folder = DirectoryWithBackslash(subjectPath);
  if (folder.size() < 2) return false;
  std::string withoutBackslash = folder.substr(0, folder.size() - 1);
  std::string parent = DirectoryWithBackslash(withoutBackslash);
  if (parent.empty()) return false;
  std::string folderName = withoutBackslash.substr(parent.size());
  return lstrcmpiA(folderName.c_str(), "html") == 0 &&
         GetFileAttributesA((parent + "index.htm").c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteSubjectScript(const std::string& subjectPath) {
  return ReplaceFileContents(SubjectScriptPath(subjectPath),
                             SubjectScriptText(ReadSubjectFileBytes(subjectPath)));
}
