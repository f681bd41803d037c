#include "lessons/ScreenPartsScript.h"

#include "framework/Text.h"
#include "lessons/SubjectFile.h"
#include "recorder/recovery/RecordingParts.h"

#include <windows.h>

std::string ScreenPartsScriptText(const std::vector<std::string>& fileNames) {
  std::string script = "var screenParts = [";
  for (size_t i = 0; i < fileNames.size(); ++i) {
    if (i > 0) script += ", ";
    // Names are the recorder's own ("screen-2.avi"); anything else is escaped as in subject.js.
    script += "\"html/";
    for (wchar_t c : AnsiToWide(fileNames[i])) {
      bool plain = c >= 0x20 && c < 0x7F && c != L'"' && c != L'\\' && c != L'<' && c != L'>' &&
                   c != L'&' && c != L'\'';
      script += plain ? std::string(1, static_cast<char>(c)) : Format("\\u%04x", static_cast<unsigned>(c));
    }
    script += "\"";
  }
  script += "];\r\n";
  return script;
}

bool WriteScreenPartsScript(const std::string& htmlDir) {
  std::string script = htmlDir + "\\screen.js";
  std::vector<std::string> names;
  for (const std::string& path : ExistingRecordingParts(htmlDir + "\\screen.avi"))
    names.push_back(path.substr(htmlDir.size() + 1));
  if (names.size() < 2 && GetFileAttributesA(script.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  return ReplaceFileContents(script, ScreenPartsScriptText(names));
}
