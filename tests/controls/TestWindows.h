// Windows for driving the controls with synthesized messages: a parent dialog from a template
// (so that owner-draw and colour messages are reflected to the controls) and helpers to
// count what was posted or sent to it.
#pragma once
#include "framework/App.h"
#include "framework/Dialog.h"

#include <functional>
#include <vector>

// Dialog 100 created modeless, hidden, whose commands are recorded.
class HostDialog : public Dialog {
public:
  HostDialog();
  // WM_COMMAND (id, code) pairs that reached the dialog and were not reflected to a control.
  std::vector<std::pair<int, int>> commands;
  std::function<void()> onInit;

protected:
  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

// A hidden top-level window that plays the application's main window for posted notifications.
class MainWindowStandIn {
public:
  MainWindowStandIn();
  ~MainWindowStandIn();
  HWND Handle() const { return hwnd_; }
  // Removes the posted messages of the given kind and returns their wParams.
  std::vector<WPARAM> TakePosted(UINT message);

private:
  WinApp app_;
  HWND hwnd_;
};

// Lets every sent and posted message of this thread be handled.
void PumpMessages();
// WM_MOUSEMOVE/WM_LBUTTONDOWN/WM_LBUTTONUP at a client point with the given key state.
void SendMouse(HWND window, UINT message, int x, int y, WPARAM keys);
