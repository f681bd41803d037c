#include "recorder/ScreenBudgetSetting.h"

#include "recorder/PartLimit.h"
#include "recorder/TempPaths.h"

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {
constexpr double kReferencePixels = 1920.0 * 1080.0;
constexpr double kMegabyte = 1048576.0;
}  // namespace

int ReadScreenBudgetMBPerMinute(const std::string& setupIniPath) {
  char text[32] = {};
  GetPrivateProfileStringA("Setup", "ScreenBudgetMBPerMinute", "", text, sizeof(text), setupIniPath.c_str());
  if (text[0] < '0' || text[0] > '9') return kDefaultScreenBudgetMBPerMinute;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || value > INT_MAX) return kDefaultScreenBudgetMBPerMinute;
  return static_cast<int>(value);
}

std::string HostSetupIniPath() { return ProgramDirectory() + "\\Setup.ini"; }

double ScreenBudgetBytesPerSecond(int mbPerMinute, int width, int height) {
  if (mbPerMinute <= 0 || width <= 0 || height <= 0) return 0;
  return mbPerMinute * kMegabyte / 60.0 * (double(width) * double(height) / kReferencePixels);
}

double PictureBudget(int mbPerMinute, int width, int height, unsigned positionsPerSecond) {
  const double file = ScreenBudgetBytesPerSecond(mbPerMinute, width, height);
  const double positions = double(positionsPerSecond) * double(FrameFileBytes(0, 1));
  return file - positions > file / 2 ? file - positions : file / 2;
}
