#include "capture/ErrorBox.h"

#include "framework/MessageBox.h"

int ErrorBoxesHeldBack::depth_ = 0;

void ErrorBox(const std::string& text) {
  if (ErrorBoxesHeldBack::Active()) return;
  ShowMessageBox(nullptr, text, "Error!", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

void CaptureAppBox(const std::string& text) {
  if (ErrorBoxesHeldBack::Active()) return;
  AppMessageBox(text);
}
