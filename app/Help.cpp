#include "app/Help.h"

#include "framework/Shell.h"

std::string HelpFilePath(const std::string& moduleDirectory, int language) {
  switch (language) {
    case 0: return moduleDirectory + "Lumora_zh.CHM";
    case 1: return moduleDirectory + "Lumora_en.CHM";
    default: return {};
  }
}

void OpenHelpFile(HWND owner, const std::string& moduleDirectory, int language) {
  ShellExecuteFile(owner, "open", HelpFilePath(moduleDirectory, language), "", "", SW_SHOWMAXIMIZED);
}
