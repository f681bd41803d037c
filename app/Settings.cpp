#include "app/Settings.h"

#include "app/TitleSettings.h"

#include "framework/Handles.h"
#include "framework/MessageBox.h"
#include "framework/Text.h"
#include "mainwnd/FolderOps.h"

#include <windows.h>
#include <cstdlib>

namespace {
const char kSection[] = "Setup";

void WriteString(const std::string& path, const char* key, const std::string& value) {
  WritePrivateProfileStringA(kSection, key, value.c_str(), path.c_str());
}

void WriteInt(const std::string& path, const char* key, int value) {
  WriteString(path, key, Format("%d", value));
}
}  // namespace

std::string SettingsPath(const std::string& moduleDirectory) {
  return Format("%s\\Setup.ini", moduleDirectory.c_str());
}

std::string ReadSetupString(const std::string& path, const char* key) {
  char buffer[MAX_PATH] = {};
  GetPrivateProfileStringA(kSection, key, "", buffer, sizeof(buffer), path.c_str());
  return buffer;
}

int ReadSetupInt(const std::string& path, const char* key) {
  return atoi(ReadSetupString(path, key).c_str());
}

void LoadSettings(Settings& settings, const std::string& moduleDirectory) {
  settings.EnableTitle = 0;
  settings.OverlayType = 0;
  settings.OverlayText = "Lumora";
  settings.OverlayPos.clear();
  settings.OverlayFontSize = 50;
  settings.OverlayFontColor = "Black";
  std::string path = SettingsPath(moduleDirectory);
  // The whole stored folder is read (the settings dialog allows 260 characters), not just 79.
  settings.SaveDir = ReadSetupString(path, "SaveDir");
  settings.VDeviceIndex = ReadSetupInt(path, "VDeviceIndex");
  settings.ADeviceIndex = ReadSetupInt(path, "ADeviceIndex");
  // The title settings come back as the settings dialog stored them.
  ReadTitleSettings(settings, path);
}

void SaveSettings(const Settings& settings, const std::string& moduleDirectory) {
  std::string path = SettingsPath(moduleDirectory);
  WriteInt(path, "FileFormat", settings.FileFormat);
  WriteInt(path, "OverlayType", settings.OverlayType);
  WriteString(path, "OverlayText", settings.OverlayText);
  WriteString(path, "OverlayPos", settings.OverlayPos);
  WriteInt(path, "OverlayFontSize", settings.OverlayFontSize);
  WriteString(path, "OverlayFontColor", settings.OverlayFontColor);
  WriteString(path, "SaveDir", settings.SaveDir);
  WriteInt(path, "VDeviceIndex", settings.VDeviceIndex);
  WriteInt(path, "ADeviceIndex", settings.ADeviceIndex);
}

void ResolveSaveDir(Settings& settings) {
  if (EnsureDirectory(settings.SaveDir)) return;
  settings.SaveDir = DocumentsFolder() + "\\录像";
  if (EnsureDirectory(settings.SaveDir)) return;
  settings.SaveDir = "C:\\Camera";
  EnsureDirectory(settings.SaveDir);
}

std::string DocumentsFolder() {
  RegistryKey key;
  // Read access is enough, and works for users who may not write the key.
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                    0, KEY_READ, key.Out()) != ERROR_SUCCESS) {
    AppMessageBox("错误：无法查询有关的注册表信息");
    return {};
  }
  char buffer[MAX_PATH] = {};
  DWORD size = sizeof(buffer) - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key.Get(), "Personal", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  return buffer;
}
