#include "tools/compress/SourceTree.h"

#include "framework/Handles.h"

namespace {
bool IsExcluded(const std::wstring& path, const std::vector<std::wstring>& excluded) {
  for (const std::wstring& other : excluded)
    if (SameNameIgnoringCase(path, other)) return true;
  return false;
}

void ListFolder(const std::wstring& folder, const std::string& prefix,
                const std::vector<std::wstring>& excluded, SourceTree& tree) {
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, 0));
  if (!find.Valid()) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) tree.unreadableFolders.push_back(folder);
    return;
  }
  std::vector<SourceItem> folders;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    SourceItem item;
    item.path = folder + L"\\" + name;
    if (IsExcluded(item.path, excluded)) continue;
    item.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.zipName = prefix + ToUtf8(name) + (item.isFolder ? "/" : "");
    item.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    item.lastWrite = data.ftLastWriteTime;
    item.attributes = data.dwFileAttributes;
    if (item.isFolder) {
      item.size = 0;
      folders.push_back(item);
    } else {
      tree.items.push_back(item);
    }
  } while (FindNextFileW(find.Get(), &data));
  for (const SourceItem& sub : folders) {
    tree.items.push_back(sub);
    // A folder reached through a junction or symbolic link is stored, not followed, so that
    // a link back up the tree cannot make the walk endless.
    if (!(sub.attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      ListFolder(sub.path, sub.zipName, excluded, tree);
  }
}
}  // namespace

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  int count = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                  nullptr, nullptr);
  std::string utf8(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], count,
                      nullptr, nullptr);
  return utf8;
}

bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

SourceTree ListSourceTree(const std::wstring& folder, const std::vector<std::wstring>& excluded) {
  SourceTree tree;
  ListFolder(folder, "", excluded, tree);
  return tree;
}
