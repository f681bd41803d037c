#include "mainwnd/FolderOps.h"

#include "framework/Handles.h"

#include <vector>

namespace {
// Positions of every backslash, found as a multibyte string in the ANSI code page.
std::vector<size_t> BackslashPositions(const std::string& path) {
  std::vector<size_t> positions;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\') {
      positions.push_back(i);
    }
  }
  return positions;
}

bool MakeFolder(const std::string& path) {
  return CreateDirectoryA(path.c_str(), OpenSecurityAttributes()) != 0;
}
}  // namespace

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool EnsureDirectory(const std::string& path) {
  WIN32_FIND_DATAA data{};
  // The directory search does not report a drive root, so "C:\" is not "found" here.
  FindHandle find(FindFirstFileA(path.c_str(), &data));
  if (find.Valid() && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  return CreateDirectoryPath(path) != 0;
}

int CreateDirectoryPath(const std::string& path) {
  if (path.size() <= 3) return 0;
  if (PathExists(path)) return 1;
  std::vector<size_t> separators = BackslashPositions(path);
  if (separators.size() < 2) return MakeFolder(path) ? 1 : 0;
  for (size_t i = 1; i < separators.size(); ++i) {
    std::string level = path.substr(0, separators[i]);
    if (!PathExists(level) && !MakeFolder(level)) return 0;
  }
  if (!PathExists(path) && !MakeFolder(path)) return 0;
  return 1;
}

SECURITY_ATTRIBUTES* OpenSecurityAttributes() {
  static SECURITY_DESCRIPTOR descriptor;
  static SECURITY_ATTRIBUTES attributes;
  static const bool ready = [] {
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) return false;
    if (!SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) return false;
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = FALSE;
    return true;
  }();
  return ready ? &attributes : nullptr;
}
