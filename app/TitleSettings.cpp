#include "app/TitleSettings.h"

#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <climits>
#include <cstring>

const char* const kOverlayPositions[kOverlayPositionCount] = {"TopLeft", "BottomLeft", "RightLeft",
                                                              "RightBottom"};
const char* const kOverlayColours[kOverlayColourCount] = {"White", "Red", "Black", "Blue", "Green"};

namespace {
bool IsOneOf(const std::string& value, const char* const* names, int count) {
  for (int i = 0; i < count; ++i)
    if (value == names[i]) return true;
  return false;
}

// Text of a key, or false when the key is missing (told apart from an empty value).
bool ReadKey(const std::string& path, const char* key, std::string* value) {
  const char kMissing[] = "\x01missing\x01";
  char buffer[MAX_PATH] = {};
  GetPrivateProfileStringA("Setup", key, kMissing, buffer, sizeof(buffer), path.c_str());
  if (std::strcmp(buffer, kMissing) == 0) return false;
  *value = buffer;
  return true;
}

// An integer key within [low, high]; false leaves `value` alone.
void ReadRangedInt(const std::string& path, const char* key, int low, int high, int* value) {
  std::string text;
  int parsed = 0;
  if (ReadKey(path, key, &text) && ParseWholeInt(text, &parsed) && parsed >= low && parsed <= high)
    *value = parsed;
}
}  // namespace

bool ParseWholeInt(const std::string& text, int* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long parsed = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || end == text.c_str() || parsed < INT_MIN || parsed > INT_MAX) return false;
  *value = static_cast<int>(parsed);
  return true;
}

std::string CutAnsiText(const std::string& text, size_t maxBytes) {
  size_t end = 0;
  while (end < text.size()) {
    size_t next = end + (IsDBCSLeadByteEx(936, static_cast<BYTE>(text[end])) ? 2 : 1);
    if (next > maxBytes || next > text.size()) break;
    end = next;
  }
  return text.substr(0, end);
}

void ReadTitleSettings(Settings& settings, const std::string& path) {
  ReadRangedInt(path, "EnableTitle", 0, 1, &settings.EnableTitle);
  ReadRangedInt(path, "OverlayType", 0, 1, &settings.OverlayType);
  ReadRangedInt(path, "OverlayFontSize", kMinOverlayFontSize, kMaxOverlayFontSize, &settings.OverlayFontSize);
  std::string text;
  // An empty title would draw nothing; one beyond the dialog's limit was not written by it.
  if (ReadKey(path, "OverlayText", &text) && !text.empty() && text.size() <= kMaxOverlayTextBytes &&
      CutAnsiText(text, kMaxOverlayTextBytes) == text)
    settings.OverlayText = text;
  if (ReadKey(path, "OverlayPos", &text) && IsOneOf(text, kOverlayPositions, kOverlayPositionCount))
    settings.OverlayPos = text;
  if (ReadKey(path, "OverlayFontColor", &text) && IsOneOf(text, kOverlayColours, kOverlayColourCount))
    settings.OverlayFontColor = text;
}
