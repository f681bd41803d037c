#include "mainwnd/TrayIcon.h"

#include <cstring>

namespace {
constexpr UINT kIconId = 1;

TrayNotifier& Notifier() {
  static TrayNotifier notifier;
  return notifier;
}

BOOL Notify(DWORD message, NOTIFYICONDATAA* data) {
  if (Notifier()) return Notifier()(message, data);
  return Shell_NotifyIconA(message, data);
}

void CopyText(char* out, size_t size, const std::string& text) {
  // The shell's fields are fixed; a text too long is cut whole characters short.
  size_t length = text.size();
  if (length >= size) {
    length = 0;
    while (length < text.size()) {
      size_t next = length + (IsDBCSLeadByte(static_cast<BYTE>(text[length])) ? 2 : 1);
      if (next >= size) break;
      length = next;
    }
  }
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}
}  // namespace

TrayNotifier SetTrayNotifier(TrayNotifier notifier) {
  TrayNotifier previous = std::move(Notifier());
  Notifier() = std::move(notifier);
  return previous;
}

NOTIFYICONDATAA TrayIcon::Data(UINT flags) const {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof(data);
  data.hWnd = owner_;
  data.uID = kIconId;
  data.uFlags = flags;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = icon_;
  CopyText(data.szTip, sizeof(data.szTip), tip_);
  return data;
}

void TrayIcon::Add() {
  NOTIFYICONDATAA data = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  Notify(NIM_ADD, &data);
  data.uVersion = NOTIFYICON_VERSION;
  versioned_ = Notify(NIM_SETVERSION, &data) != FALSE;
}

void TrayIcon::Show(HWND owner, HICON icon, const std::string& tip) {
  bool shown = Shown();
  owner_ = owner;
  icon_ = icon;
  tip_ = tip;
  if (!shown) {
    Add();
    return;
  }
  NOTIFYICONDATAA data = Data(NIF_TIP | NIF_ICON);
  Notify(NIM_MODIFY, &data);
}

void TrayIcon::Restore() {
  if (Shown()) Add();
}

void TrayIcon::ShowBalloon(const std::string& title, const std::string& text, bool warning) {
  if (!Shown()) return;
  NOTIFYICONDATAA data = Data(NIF_INFO);
  CopyText(data.szInfo, sizeof(data.szInfo), text);
  CopyText(data.szInfoTitle, sizeof(data.szInfoTitle), title);
  data.dwInfoFlags = warning ? NIIF_WARNING : NIIF_INFO;
  Notify(NIM_MODIFY, &data);
}

void TrayIcon::Hide() {
  if (!Shown()) return;
  NOTIFYICONDATAA data = Data(0);
  Notify(NIM_DELETE, &data);
  owner_ = nullptr;
}

void TrayIcon::ReturnFocus() {
  if (!Shown()) return;
  NOTIFYICONDATAA data = Data(0);
  Notify(NIM_SETFOCUS, &data);
}

TrayIcon::Event TrayIcon::Decode(LPARAM lp) const {
  switch (static_cast<UINT>(lp)) {
    case WM_LBUTTONDBLCLK:
      return Event::DoubleClick;
    case WM_CONTEXTMENU:
      return Event::Menu;
    case WM_RBUTTONUP:
      // The newer behaviour follows the button with WM_CONTEXTMENU; only one of them opens it.
      return versioned_ ? Event::None : Event::Menu;
    case NIN_BALLOONUSERCLICK:
      return Event::BalloonClicked;
    case NIN_BALLOONTIMEOUT:
    case NIN_BALLOONHIDE:
      return Event::BalloonGone;
    default:
      return Event::None;
  }
}
