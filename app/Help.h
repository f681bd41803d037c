// The help file of the interface language, opened by F1.
#pragma once
#include <windows.h>
#include <string>

// moduleDirectory + "Lumora_zh.CHM" for language 0, + "Lumora_en.CHM" for 1, empty otherwise.
std::string HelpFilePath(const std::string& moduleDirectory, int language);
// Asks the shell to open the help file maximised; neither waits nor checks the result
// (a missing file opens nothing; a language without a file does not reach the shell).
void OpenHelpFile(HWND owner, const std::string& moduleDirectory, int language);
