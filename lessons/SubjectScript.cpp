#include "lessons/SubjectScript.h"

#include "framework/Text.h"
#include "lessons/SubjectFile.h"

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

bool WriteSubjectScript(const std::string& subjectPath) {
  return ReplaceFileContents(SubjectScriptPath(subjectPath),
                             SubjectScriptText(ReadSubjectFileBytes(subjectPath)));
}
