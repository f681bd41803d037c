// Lumora's icon in the notification area: shown with a tip, able to show balloons, and telling
// its owner window of clicks through a callback message. Every call to the shell goes through
// one seam so that tests can see what the shell was asked.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

using TrayNotifier = std::function<BOOL(DWORD message, NOTIFYICONDATAA* data)>;
// Installs a replacement of Shell_NotifyIconA (an empty one restores it); returns the previous.
TrayNotifier SetTrayNotifier(TrayNotifier notifier);

class TrayIcon {
public:
  // The message the icon sends its owner (wParam the icon's id, lParam the mouse message or
  // balloon event).
  static constexpr UINT kCallbackMessage = WM_APP + 0x40;

  enum class Event { None, DoubleClick, Menu, BalloonClicked, BalloonGone };

  TrayIcon() = default;
  ~TrayIcon() { Hide(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Shows the icon for `owner` with a tip, or changes the tip of the icon shown.
  void Show(HWND owner, HICON icon, const std::string& tip);
  bool Shown() const { return owner_ != nullptr; }
  // The icon again after Explorer restarted (TaskbarCreated); nothing when it is not shown.
  void Restore();
  // A balloon with a title from the icon, with the warning or the information symbol; nothing
  // when the icon is not shown.
  void ShowBalloon(const std::string& title, const std::string& text, bool warning);
  void Hide();
  // Gives the keyboard back to the notification area after a menu closed without a choice.
  void ReturnFocus();

  // What a callback message means.
  Event Decode(LPARAM lp) const;

private:
  NOTIFYICONDATAA Data(UINT flags) const;
  void Add();

  HWND owner_ = nullptr;
  HICON icon_ = nullptr;
  std::string tip_;
  // The shell took the newer callback behaviour, which sends WM_CONTEXTMENU for the menu.
  bool versioned_ = false;
};
