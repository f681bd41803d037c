// The title settings as stored in Setup.ini: their allowed values, and reading them back with a
// fall-back to the defaults for anything missing or not allowed.
#pragma once
#include <string>

#include "app/Settings.h"

// OverlayPos names in the order the settings dialog lists them.
constexpr int kOverlayPositionCount = 4;
extern const char* const kOverlayPositions[kOverlayPositionCount];
// OverlayFontColor names in the order the settings dialog lists them.
constexpr int kOverlayColourCount = 5;
extern const char* const kOverlayColours[kOverlayColourCount];
constexpr int kMinOverlayFontSize = 8;
constexpr int kMaxOverlayFontSize = 200;
constexpr size_t kMaxOverlayTextBytes = 100;

// Reads EnableTitle, OverlayType, OverlayText, OverlayPos, OverlayFontSize and OverlayFontColor;
// each bad or missing value leaves the default that LoadSettings set.
void ReadTitleSettings(Settings& settings, const std::string& settingsPath);
// The longest start of an ANSI (code page 936) text within `maxBytes` that does not split a
// double-byte character.
std::string CutAnsiText(const std::string& text, size_t maxBytes);
// The value of a decimal integer text with nothing else in it.
bool ParseWholeInt(const std::string& text, int* value);
