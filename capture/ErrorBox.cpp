#include "capture/ErrorBox.h"

#include "framework/MessageBox.h"

void ErrorBox(const std::string& text) {
  ShowMessageBox(nullptr, text, "Error!", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}
