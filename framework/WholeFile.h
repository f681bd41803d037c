// A file written whole or not at all.
#pragma once
#include <string>

// Replaces the file's contents with bytes by writing a temporary file in the same folder and
// moving it over the old one, so that a failed write leaves the old file untouched. True when
// the new contents are in place.
bool ReplaceFileContents(const std::string& path, const std::string& bytes);
