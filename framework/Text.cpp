#include "framework/Text.h"

#include <windows.h>
#include <cstdarg>
#include <cstdio>
#include <vector>

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int length = vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string result;
  if (length > 0) {
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    vsnprintf(buffer.data(), buffer.size(), format, args);
    result.assign(buffer.data(), static_cast<size_t>(length));
  }
  va_end(args);
  return result;
}

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty()) return {};
  int count = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], count);
  return wide;
}

std::string WideToAnsi(const std::wstring& text) {
  if (text.empty()) return {};
  int count = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                  nullptr, nullptr);
  std::string narrow(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &narrow[0], count,
                      nullptr, nullptr);
  return narrow;
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  std::string result;
  result.reserve(text.size());
  size_t start = 0;
  for (size_t pos; (pos = text.find(from, start)) != std::string::npos; start = pos + from.size()) {
    result.append(text, start, pos - start);
    result += to;
  }
  result.append(text, start, std::string::npos);
  return result;
}

size_t LastBackslash(const std::string& path) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;  // the trail byte may be 0x5C and is not a separator
    } else if (path[i] == '\\') {
      found = i;
    }
  }
  return found;
}

std::string DirectoryWithBackslash(const std::string& path) {
  size_t pos = LastBackslash(path);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}
