#include "controls/SkinButton.h"

#include "framework/App.h"

#include <windowsx.h>
#include <string>

namespace {
constexpr WPARAM kAnyMouseButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;

void Repaint(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, TRUE);
  UpdateWindow(hwnd);
}
}  // namespace

bool CSkinButton::LoadBitmaps(UINT normal, UINT pressed, UINT hover, UINT disabled) {
  auto name = [](UINT id) { return id ? MAKEINTRESOURCEA(id) : nullptr; };
  return LoadBitmaps(name(normal), name(pressed), name(hover), name(disabled));
}

bool CSkinButton::LoadBitmaps(const char* normal, const char* pressed, const char* hover,
                              const char* disabled) {
  for (GdiObject<HBITMAP>& bitmap : bitmaps_) bitmap.Reset();
  const char* names[4] = {normal, pressed, hover, disabled};
  for (int look = 0; look < 4; ++look) {
    if (!names[look]) continue;
    bitmaps_[look].Reset(LoadBitmapA(ResourceInstance(), names[look]));
    if (!bitmaps_[look]) return false;
  }
  return true;
}

LRESULT CSkinButton::SetButtonState(int newState) {
  switch (newState) {
    case Pressed:
    case Hover:
      state_ = newState;
      EnableWindow(hwnd_, TRUE);
      break;
    case Disabled:
      state_ = newState;
      EnableWindow(hwnd_, FALSE);
      break;
    default:
      state_ = Normal;
      EnableWindow(hwnd_, TRUE);
      break;
  }
  return SendMessageA(hwnd_, BM_GETCHECK, 0, 0);
}

LRESULT CSkinButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEMOVE: {
      LRESULT result = Default();
      OnMouseMove(wp, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return result;
    }
    case WM_LBUTTONDOWN:
      SetButtonState(Pressed);
      return Default();
    case WM_LBUTTONUP:
      SetButtonState(Normal);
      return Default();
    default:
      return Default();
  }
}

void CSkinButton::OnMouseMove(WPARAM keys, POINT point) {
  if (!tracking_ || GetCapture() != hwnd_) {
    if (state_ == Normal && !(keys & kAnyMouseButton)) StartHover();
    return;
  }
  RECT client;
  GetClientRect(hwnd_, &client);
  if ((state_ == Hover || state_ == Pressed) && !PtInRect(&client, point)) EndHover();
}

// Windows sends every mouse move to the capturing window. Wine's X11 driver grabs the X pointer
// for a capture only in move/size and menu modes, so moves over the bare desktop reach no
// window there and hover ends when the pointer next crosses a window of the program.
void CSkinButton::StartHover() {
  tracking_ = true;
  state_ = Hover;
  SetCapture(hwnd_);
  Repaint(hwnd_);
  NotifyMainWindow(WM_SKINBUTTON_ENTER);
}

void CSkinButton::EndHover() {
  state_ = Normal;
  tracking_ = false;
  Repaint(hwnd_);
  ReleaseCapture();
  NotifyMainWindow(WM_SKINBUTTON_LEAVE);
}

void CSkinButton::NotifyMainWindow(UINT message) {
  WinApp* app = WinApp::Current();
  if (app && app->mainWindow) {
    PostMessageA(app->mainWindow, message, static_cast<WPARAM>(GetDlgCtrlID(hwnd_)), 0);
  }
}

bool CSkinButton::OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg != WM_DRAWITEM) return false;
  Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
  result = TRUE;
  return true;
}

void CSkinButton::Draw(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  int saved = SaveDC(dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWFRAME));

  int look = (GetWindowLongA(hwnd_, GWL_STYLE) & WS_DISABLED) ? Disabled : state_;
  if (look < Normal || look > Disabled) look = Normal;
  const RECT& rect = item.rcItem;
  if (HBITMAP bitmap = bitmaps_[look].Get()) {
    BITMAP info;
    MemoryDC memory(dc);
    bool drawn = GetObjectA(bitmap, sizeof(info), &info) != 0 && memory.Get();
    if (drawn) {
      SelectGuard select(memory.Get(), bitmap);
      drawn = BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory.Get(),
                     0, 0, SRCCOPY) != 0;
    }
    if (!drawn) {
      RestoreDC(dc, saved);
      return;
    }
  }

  char caption[256] = {};
  int length = GetWindowTextA(hwnd_, caption, sizeof(caption));
  RECT textRect = rect;
  if (look == Disabled) {
    // Engraved: a light copy one pixel down and right, the shadow colour in place.
    OffsetRect(&textRect, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextA(dc, caption, length, &textRect, DT_CENTER);
    textRect = rect;
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
  }
  DrawTextA(dc, caption, length, &textRect, DT_CENTER);
  RestoreDC(dc, saved);
}
