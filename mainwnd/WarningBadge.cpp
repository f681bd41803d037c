#include "mainwnd/WarningBadge.h"

#include "framework/Handles.h"

#include <algorithm>

namespace {
constexpr char kClassName[] = "LumoraWarningBadge";
constexpr int kMargin = 12;   // from the screen's corner
constexpr int kPadding = 10;  // around the text
constexpr COLORREF kBackground = RGB(196, 32, 32);
constexpr COLORREF kTextColour = RGB(255, 255, 255);
// Windows 10 version 2004 and later: shown on the monitor, left out of every capture.
constexpr DWORD kExcludeFromCapture = 0x00000011;

// SetWindowDisplayAffinity with the exclusion is refused before Windows 10 version 2004; the
// function itself is looked up because older systems lack it.
bool ExcludeFromCapture(HWND window) {
  using SetAffinityFn = BOOL(WINAPI*)(HWND, DWORD);
  HMODULE user32 = GetModuleHandleA("user32.dll");
  auto setAffinity = user32 ? reinterpret_cast<SetAffinityFn>(GetProcAddress(user32, "SetWindowDisplayAffinity")) : nullptr;
  return setAffinity && setAffinity(window, kExcludeFromCapture);
}

// The primary monitor, the one the screen recorder records.
RECT PrimaryScreen() {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info)) return info.rcMonitor;
  return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}
}  // namespace

WarningBadge::~WarningBadge() {
  if (window_) DestroyWindow(window_);
  if (font_) DeleteObject(font_);
}

LRESULT CALLBACK WarningBadge::Procedure(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  auto* badge = reinterpret_cast<WarningBadge*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrA(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
      break;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCHITTEST:
      // Clicks go through to the window below.
      return HTTRANSPARENT;
    case WM_PAINT:
      if (badge) {
        badge->Paint();
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(window, msg, wp, lp);
}

bool WarningBadge::Create() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  if (!GetClassInfoA(instance, kClassName, &windowClass)) {
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass)) return false;
  }
  // Layered and transparent, so that the mouse passes through to the presentation below.
  window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT,
                            kClassName, "", WS_POPUP, 0, 0, kMaxWidth, kMaxHeight, nullptr, nullptr, instance, this);
  if (!window_) return false;
  SetLayeredWindowAttributes(window_, 0, 235, LWA_ALPHA);
  excluded_ = ExcludeFromCapture(window_);
  LOGFONTA font{};
  font.lfHeight = -16;
  font.lfWeight = FW_BOLD;
  font.lfCharSet = GB2312_CHARSET;
  font_ = CreateFontIndirectA(&font);
  return true;
}

void WarningBadge::Show(const std::string& text) {
  if (!window_ && !Create()) return;
  if (text != text_) {
    text_ = text;
    SetWindowTextA(window_, text_.c_str());
    InvalidateRect(window_, nullptr, TRUE);
  }
  Place();
}

void WarningBadge::Place() {
  WindowDC dc(window_);
  HGDIOBJ old = SelectObject(dc.Get(), font_);
  RECT need{0, 0, 0, 0};
  DrawTextA(dc.Get(), text_.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc.Get(), old);
  int width = std::min<int>(kMaxWidth, need.right + 2 * kPadding);
  int height = std::min<int>(kMaxHeight, need.bottom + kPadding);
  RECT screen = PrimaryScreen();
  SetWindowPos(window_, HWND_TOPMOST, screen.right - width - kMargin, screen.top + kMargin, width, height,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void WarningBadge::Hide() {
  if (window_) ShowWindow(window_, SW_HIDE);
}

void WarningBadge::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  RECT client;
  GetClientRect(window_, &client);
  GdiObject<HBRUSH> background(CreateSolidBrush(kBackground));
  FillRect(dc, &client, background.Get());
  HGDIOBJ old = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kTextColour);
  DrawTextA(dc, text_.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, old);
  EndPaint(window_, &paint);
}
