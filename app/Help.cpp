#include "app/Help.h"

#include "framework/Shell.h"

std::string HelpFilePath(const std::string& moduleDirectory, int language) {
  switch (language) {
    case 0: return moduleDirectory + "Lumora_zh.CHM";
    case 1: return moduleDirectory + "Lumora_en.CHM";
    default: return {};
  }
}

// Under Wine the shell passes SW_SHOWMAXIMIZED on to hh.exe (trace channel "exec" shows it),
// but Wine's viewer opens at a size of its own, and without the Gecko engine its topic pane
// stays empty. On Windows the viewer starts with the same show command.
void OpenHelpFile(HWND owner, const std::string& moduleDirectory, int language) {
  std::string path = HelpFilePath(moduleDirectory, language);
  // A language without a help file opens nothing; an empty name could make the shell open
  // the current folder instead.
  if (path.empty()) return;
  ShellExecuteFile(owner, "open", path, "", "", SW_SHOWMAXIMIZED);
}
