// The settings store: Setup.ini in the program folder, section [Setup].
#pragma once
#include <string>

struct Settings {
  std::string SaveDir;
  int VDeviceIndex = 0;
  int ADeviceIndex = 0;
  int FileFormat = 1;
  int EnableTitle = 1;
  int OverlayType = 0;
  std::string OverlayText = "Lumora";
  std::string OverlayPos;
  int OverlayFontSize = 50;
  std::string OverlayFontColor = "Black";
};

// "%s\Setup.ini" of the program folder (which ends in a backslash, so the separator doubles).
std::string SettingsPath(const std::string& moduleDirectory);

// Sets the defaults and reads SaveDir, VDeviceIndex, ADeviceIndex and the title settings.
void LoadSettings(Settings& settings, const std::string& moduleDirectory);
// Writes the nine keys in their fixed order; failures are ignored.
void SaveSettings(const Settings& settings, const std::string& moduleDirectory);
// Makes SaveDir name an existing folder: itself, the documents folder + "\录像", or "C:\Camera".
void ResolveSaveDir(Settings& settings);
// The user's documents folder from the registry ("Shell Folders", "Personal"), or empty.
std::string DocumentsFolder();

// Text of a key of [Setup] (empty when missing), read whole up to 259 characters.
std::string ReadSetupString(const std::string& path, const char* key);
// atoi rules: leading digits, 0 when there are none.
int ReadSetupInt(const std::string& path, const char* key);
