#include "lessons/PausesScript.h"

#include "framework/Text.h"
#include "lessons/SubjectFile.h"

#include <windows.h>

std::string PausesScriptText(const std::vector<RecordingPause>& pauses) {
  std::string script = "var recordingPauses = [";
  for (size_t i = 0; i < pauses.size(); ++i) {
    if (i > 0) script += ", ";
    std::string length = pauses[i].lasting ? "null" : Format("%llu", static_cast<unsigned long long>(pauses[i].lengthMs));
    script += Format("[%llu, %s]", static_cast<unsigned long long>(pauses[i].atMs), length.c_str());
  }
  script += "];\r\n";
  return script;
}

bool WritePausesScript(const std::string& htmlDir, const std::vector<RecordingPause>& pauses) {
  std::string script = htmlDir + "\\pauses.js";
  if (pauses.empty() && GetFileAttributesA(script.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  return ReplaceFileContents(script, PausesScriptText(pauses));
}
