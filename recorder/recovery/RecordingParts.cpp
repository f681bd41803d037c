#include "recorder/recovery/RecordingParts.h"

#include "framework/Text.h"

#include <windows.h>

namespace {
// Where the extension begins: the last dot after the last backslash, or the end.
size_t ExtensionStart(const std::string& path) {
  size_t dot = path.rfind('.');
  size_t backslash = LastBackslash(path);
  if (dot == std::string::npos || (backslash != std::string::npos && dot < backslash)) return path.size();
  return dot;
}

bool IsFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

std::string MergingPath(const std::string& finalPath) { return finalPath + ".merge"; }

std::string RecordingPartPath(const std::string& firstPath, int part) {
  if (part <= 1) return firstPath;
  size_t extension = ExtensionStart(firstPath);
  return firstPath.substr(0, extension) + Format("-%d", part) + firstPath.substr(extension);
}

std::vector<std::string> ExistingRecordingParts(const std::string& firstPath) {
  std::vector<std::string> parts;
  if (IsFile(firstPath)) parts.push_back(firstPath);
  // A recording whose first part could not be written may still have later ones.
  for (int part = 2;; ++part) {
    std::string path = RecordingPartPath(firstPath, part);
    if (!IsFile(path)) break;
    parts.push_back(path);
  }
  return parts;
}
