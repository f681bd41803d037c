// Start-up steps of the application object that do not need a window.
#pragma once
#include <windows.h>
#include <string>

// Directory of a module's file, ending with one backslash; empty when it cannot be read.
std::string ModuleDirectory(HMODULE module = nullptr);
// Creates Setup.ini holding only [Setup] OverlayText=Lumora when it does not exist yet.
void EnsureSettingsFile(const std::string& moduleDirectory);
// The Language key of Setup.ini, atoi rules (missing gives 0).
int ReadLanguage(const std::string& moduleDirectory);
