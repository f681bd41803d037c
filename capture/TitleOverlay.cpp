#include "capture/TitleOverlay.h"

#include "capture/ErrorBox.h"
#include "framework/Handles.h"

#include <mbstring.h>

namespace {
// Names are compared byte for byte as multibyte strings, case-sensitively.
bool SameName(const std::string& a, const char* b) {
  return _mbscmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                 reinterpret_cast<const unsigned char*>(b)) == 0;
}
}  // namespace

POINT TitleStartPosition(const std::string& position, int width, int height) {
  if (SameName(position, "BottomLeft")) return {10, height - 100};
  if (SameName(position, "RightLeft")) return {width - 100, 100};
  if (SameName(position, "RightBottom")) return {width - 100, height - 100};
  return {10, 10};
}

TitleColour TitleColourNamed(const std::string& name) {
  if (SameName(name, "Red")) return {255, 0, 0};
  if (SameName(name, "Black")) return {0, 0, 0};
  if (SameName(name, "Blue")) return {0, 0, 255};
  if (SameName(name, "Green")) return {0, 255, 0};
  return {255, 255, 255};
}

bool ConfigureTitleOverlay(IBaseFilter* overlay, const Settings& settings, SIZE picture) {
  ComPtr<ITitleOverlayConfig> config;
  if (!overlay || FAILED(overlay->QueryInterface(IID_ITitleOverlayConfig, config.OutVoid())) ||
      !config) {
    ErrorBox("错误：无法查询重叠标题接口！");
    return false;
  }
  if (FAILED(config->SetTitleType(settings.OverlayType == 1 ? 2 : 1))) {
    ErrorBox("错误：设置重叠标题类型失败！");
    return false;
  }
  if (FAILED(config->SetTitleText(settings.OverlayText.c_str(),
                                  static_cast<int>(settings.OverlayText.size())))) {
    ErrorBox("错误：设置标题失败！");
    return false;
  }
  POINT start = TitleStartPosition(settings.OverlayPos, picture.cx, picture.cy);
  if (FAILED(config->SetTitleStartPosition(start.x, start.y))) {
    ErrorBox("错误：设置标题初始位置失败！");
    return false;
  }
  LOGFONTA font{};
  if (FAILED(config->GetTitleFont(&font))) {
    ErrorBox("错误：获取标题字体失败！");
    return false;
  }
  font.lfHeight = settings.OverlayFontSize;
  if (FAILED(config->SetTitleFont(font))) {
    ErrorBox("错误：设置标题字体失败！");
    return false;
  }
  TitleColour colour = TitleColourNamed(settings.OverlayFontColor);
  config->SetTitleColor(colour.red, colour.green, colour.blue);
  return true;
}
