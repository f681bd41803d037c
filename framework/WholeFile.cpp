#include "framework/WholeFile.h"

#include "framework/Handles.h"
#include "framework/Text.h"

bool ReplaceFileContents(const std::string& path, const std::string& bytes) {
  std::string folder = DirectoryWithBackslash(path);
  if (folder.empty()) folder = ".\\";
  char temporary[MAX_PATH] = {};
  if (!GetTempFileNameA(folder.c_str(), "lum", 0, temporary)) return false;
  bool written = false;
  {
    UniqueHandle file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      DWORD count = 0;
      written = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &count,
                          nullptr) &&
                count == bytes.size() && FlushFileBuffers(file.Get());
    }
  }
  if (written &&
      MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileA(temporary);
  return false;
}
