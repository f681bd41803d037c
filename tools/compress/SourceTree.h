// The files and folders below the source folder, in the order they are packed.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

struct SourceItem {
  std::wstring path;         // full path on disk
  std::string zipName;       // relative path in UTF-8 with '/' separators; folders end with '/'
  bool isFolder = false;
  uint64_t size = 0;
  FILETIME lastWrite = {};
  DWORD attributes = 0;
};

struct SourceTree {
  std::vector<SourceItem> items;
  std::vector<std::wstring> unreadableFolders;  // folders whose contents could not be listed
};

// Lists everything below `folder` (each folder before its contents), leaving out the paths
// in `excluded` (compared without regard to case), such as the archive being written into it.
SourceTree ListSourceTree(const std::wstring& folder, const std::vector<std::wstring>& excluded);

// UTF-16 to UTF-8.
std::string ToUtf8(const std::wstring& text);
// Compares two paths or entry names the way Windows compares file names.
bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b);
