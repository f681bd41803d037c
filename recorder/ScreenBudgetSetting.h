// The screen recording's data-rate budget, key ScreenBudgetMBPerMinute of the [Setup] section in
// the host program's Setup.ini: megabytes (2^20 bytes) a minute at 1920 x 1080, scaled by pixel
// count for other screens; 0 means no budget. Read at every start of a recording, so a changed
// value counts from the next recording on.
#pragma once
#include <string>

constexpr int kDefaultScreenBudgetMBPerMinute = 120;

// The key's value: a whole number of 0 or more; the default when the key is missing, empty or
// anything else (a mistyped value must not switch the budget off).
int ReadScreenBudgetMBPerMinute(const std::string& setupIniPath);
// Setup.ini in the host program's folder.
std::string HostSetupIniPath();
// The budget in bytes per second for a picture of width x height pixels; 0 for no budget.
double ScreenBudgetBytesPerSecond(int mbPerMinute, int width, int height);
// What of that budget the pictures may use in a stream of `positionsPerSecond`: every position
// costs the file an empty chunk and an index entry whether a picture is written there or not
// (0.27 MB a minute at 200 positions a second). Tiny pictures keep at least half the budget.
double PictureBudget(int mbPerMinute, int width, int height, unsigned positionsPerSecond);
