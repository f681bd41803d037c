// String helpers of the framework: printf-style formatting and code-page conversion.
#pragma once
#include <string>

// printf-style formatting into a std::string (narrow text is in the ANSI code page).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Conversions between the ANSI code page and UTF-16.
std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);

// Replaces every non-overlapping match of `from`, left to right.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to);

// Everything up to and including the last backslash, searched as a multibyte string in
// the ANSI code page so that the trail byte of a double-byte character never matches.
std::string DirectoryWithBackslash(const std::string& path);
// Position of the last backslash as found by the multibyte search, or npos.
size_t LastBackslash(const std::string& path);
