// A fresh folder under the Windows temp folder, removed with everything in it at the end.
#pragma once
#include <string>

class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing backslash.
  const std::string& Path() const { return path_; }
  // Path() + "\" + name.
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
  std::string path_;
};

// Removes a file or a folder tree (hidden and read-only entries included).
void RemoveTree(const std::string& path);
// Writes bytes to a file, replacing it; true on success.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// The file's bytes, or empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
