#include "lessons/PartsScripts.h"

#include "framework/Text.h"
#include "lessons/SubjectFile.h"
#include "recorder/recovery/RecordingParts.h"

#include <windows.h>

namespace {
bool WritePartsScript(const std::string& htmlDir, const char* firstFile, const char* scriptFile,
                      const char* variable) {
  std::string script = htmlDir + "\\" + scriptFile;
  std::vector<std::string> names;
  for (const std::string& path : ExistingRecordingParts(htmlDir + "\\" + firstFile))
    names.push_back(path.substr(htmlDir.size() + 1));
  if (names.size() < 2 && GetFileAttributesA(script.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  return ReplaceFileContents(script, PartsScriptText(variable, names));
}
}  // namespace

std::string PartsScriptText(const char* variable, const std::vector<std::string>& fileNames) {
  std::string script = std::string("var ") + variable + " = [";
  for (size_t i = 0; i < fileNames.size(); ++i) {
    if (i > 0) script += ", ";
    // Names are the recorders' own ("screen-2.avi"); anything else is escaped as in subject.js.
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
  return WritePartsScript(htmlDir, "screen.avi", "screen.js", "screenParts");
}

bool WriteVideoPartsScript(const std::string& htmlDir) {
  return WritePartsScript(htmlDir, "video.wmv", "video.js", "videoParts");
}

bool WriteRecordingPartsScripts(const std::string& htmlDir) {
  bool screen = WriteScreenPartsScript(htmlDir);
  bool video = WriteVideoPartsScript(htmlDir);
  return screen && video;
}
