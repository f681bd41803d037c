#include "framework/MessageBox.h"

#include "framework/App.h"

namespace {
MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}
}  // namespace

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  if (Handler()) return Handler()(owner, text, caption, type);
  return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  MessageBoxHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

int AppMessageBox(const std::string& text, UINT type) {
  WinApp* app = WinApp::Current();
  HWND owner = app ? app->mainWindow : nullptr;
  std::string caption = app ? app->title : std::string();
  return ShowMessageBox(owner, text, caption, type);
}
