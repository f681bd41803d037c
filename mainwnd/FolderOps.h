// Folder operations shared by the settings store, the recording session and the lesson folder.
#pragma once
#include <windows.h>
#include <string>

// True when the folder exists afterwards (found as a directory, or created level by level).
bool EnsureDirectory(const std::string& path);
// Creates every missing level of the path; 1 on success, 0 on failure (paths of 3 characters
// or fewer, such as "C:\", always fail).
int CreateDirectoryPath(const std::string& path);
// Process-wide security attributes (null DACL: access for everyone) for new folders,
// or null for the system's default security.
SECURITY_ATTRIBUTES* OpenSecurityAttributes();
// True when the path names an existing file or folder.
bool PathExists(const std::string& path);
