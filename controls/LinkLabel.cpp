#include "controls/LinkLabel.h"

#include "framework/MessageBox.h"
#include "framework/Shell.h"
#include "framework/Text.h"

#include <commctrl.h>
#include <windowsx.h>

namespace {
constexpr UINT_PTR kToolId = 1;

void RedrawNow(HWND hwnd) { RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

// The default value of a key of HKEY_CLASSES_ROOT; false when it cannot be read.
bool ReadClassesRootDefault(const std::string& subKey, std::string& value) {
  RegistryKey key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) {
    return false;
  }
  char buffer[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH;
  DWORD type = 0;
  if (RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  value = buffer;
  return true;
}

TTTOOLINFOA ToolInfo(HWND owner, char* text) {
  TTTOOLINFOA info{};
  // The size of the original tool structure, which every version of the control accepts.
  info.cbSize = TTTOOLINFOA_V1_SIZE;
  info.hwnd = owner;
  info.uId = kToolId;
  info.lpszText = text;
  GetClientRect(owner, &info.rect);
  return info;
}
}  // namespace

CLinkLabel::CLinkLabel() : hoverColour(GetSysColor(COLOR_HIGHLIGHT)) {}

CLinkLabel::~CLinkLabel() {
  DestroyCursorAndTooltip();
}

void CLinkLabel::DestroyCursorAndTooltip() {
  if (tooltip_) {
    DestroyWindow(tooltip_);
    tooltip_ = nullptr;
  }
  if (cursor_) {
    DestroyCursor(cursor_);
    cursor_ = nullptr;
  }
}

bool CLinkLabel::Attach(int controlId, HWND dialog) {
  if (!SubclassDlgItem(controlId, dialog)) return false;
  SetWindowLongA(hwnd_, GWL_STYLE, GetWindowLongA(hwnd_, GWL_STYLE) | SS_NOTIFY);

  char text[MAX_PATH] = {};
  GetWindowTextA(hwnd_, text, sizeof(text));
  if (target_.empty()) target_ = text;
  if (text[0] == '\0') SetWindowTextA(hwnd_, target_.c_str());

  HFONT current = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
  LOGFONTA logFont{};
  GetObjectA(current ? static_cast<HGDIOBJ>(current) : GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont),
             &logFont);
  logFont.lfUnderline = underline ? TRUE : FALSE;
  font_.Reset(CreateFontIndirectA(&logFont));
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);

  FitToText();
  LoadHandCursor();
  CreateTooltip();
  return true;
}

void CLinkLabel::CreateTooltip() {
  tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd_, GWLP_HINSTANCE)), nullptr);
  if (!tooltip_) return;
  TTTOOLINFOA info = ToolInfo(hwnd_, const_cast<char*>(target_.c_str()));
  SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

void CLinkLabel::SetTarget(const std::string& target) {
  target_ = target;
  if (!hwnd_ || !IsWindow(hwnd_)) return;
  FitToText();
  if (tooltip_) {
    TTTOOLINFOA info = ToolInfo(hwnd_, const_cast<char*>(target_.c_str()));
    SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
  }
}

void CLinkLabel::SetVisited(bool visited) {
  visited_ = visited;
  if (hwnd_ && IsWindow(hwnd_)) InvalidateRect(hwnd_, nullptr, TRUE);
}

COLORREF CLinkLabel::CurrentTextColour() const {
  if (overControl_) return hoverColour;
  return visited_ ? visitedColour : linkColour;
}

void CLinkLabel::FitToText() {
  if (!hwnd_ || !IsWindow(hwnd_) || !fitToText) return;
  HWND parent = GetParent(hwnd_);
  RECT rect;
  GetWindowRect(hwnd_, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);

  char text[MAX_PATH] = {};
  int length = GetWindowTextA(hwnd_, text, sizeof(text));
  SIZE extent{};
  {
    WindowDC dc(hwnd_);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    SelectGuard select(dc.Get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    GetTextExtentPoint32A(dc.Get(), text, length, &extent);
  }

  LONG style = GetWindowLongA(hwnd_, GWL_STYLE);
  if (style & SS_CENTERIMAGE) {
    LONG spare = (rect.bottom - rect.top) - extent.cy;
    rect.top += spare / 2;
    rect.bottom = rect.top + extent.cy;
  } else {
    rect.bottom = rect.top + extent.cy;
  }
  // The alignment is a value in the low bits of the style, not a set of flags.
  LONG alignment = style & SS_TYPEMASK;
  if (alignment == SS_CENTER) {
    LONG spare = (rect.right - rect.left) - extent.cx;
    rect.left += spare / 2;
    rect.right = rect.left + extent.cx;
  } else if (alignment == SS_RIGHT) {
    rect.left = rect.right - extent.cx;
  } else {
    rect.right = rect.left + extent.cx;
  }
  SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void CLinkLabel::LoadHandCursor() {
  if (cursor_) return;
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string helpViewer = std::string(windows) + "\\winhlp32.exe";
  if (HMODULE module = LoadLibraryA(helpViewer.c_str())) {
    if (HCURSOR hand = LoadCursorA(module, MAKEINTRESOURCEA(106))) cursor_ = CopyIcon(hand);
    FreeLibrary(module);
  }
  // Current systems (and Wine) ship no hand in the help viewer; the system's own hand is the
  // same picture.
  if (!cursor_) {
    if (HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649))) cursor_ = CopyIcon(hand);
  }
}

LRESULT CLinkLabel::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) RelayToTooltip(msg, wp, lp);
  switch (msg) {
    case WM_MOUSEMOVE: {
      LRESULT result = Default();
      OnMouseMove(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return result;
    }
    case WM_SETCURSOR:
      if (cursor_) {
        SetCursor(cursor_);
        return TRUE;
      }
      return Default();
    default:
      return Default();
  }
}

void CLinkLabel::RelayToTooltip(UINT msg, WPARAM wp, LPARAM lp) {
  if (!tooltip_) return;
  MSG relayed{hwnd_, msg, wp, lp, static_cast<DWORD>(GetMessageTime()), {}};
  DWORD position = GetMessagePos();
  relayed.pt = POINT{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

// Hover relies on the capture as the picture button does (see its note on Wine's capture).
void CLinkLabel::OnMouseMove(POINT point) {
  if (!overControl_) {
    overControl_ = true;
    RedrawNow(hwnd_);
    SetCapture(hwnd_);
    return;
  }
  RECT client;
  GetClientRect(hwnd_, &client);
  if (!PtInRect(&client, point)) {
    overControl_ = false;
    ReleaseCapture();
    RedrawNow(hwnd_);
  }
}

bool CLinkLabel::OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_CTLCOLORSTATIC) {
    HDC dc = reinterpret_cast<HDC>(wp);
    SetTextColor(dc, CurrentTextColour());
    SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    return true;
  }
  if (msg == WM_COMMAND && HIWORD(wp) == STN_CLICKED) {
    OnClicked();
    result = 0;
    return true;
  }
  return false;
}

void CLinkLabel::OnClicked() {
  INT_PTR code = OpenTarget(target_, SW_SHOW);
  if (code > 32) {
    SetVisited(true);
    return;
  }
  SetVisited(false);
  MessageBeep(MB_ICONEXCLAMATION);
  ShowOpenError(code);
}

void CLinkLabel::OnDestroyed() {
  overControl_ = false;
  DestroyCursorAndTooltip();
}

std::string RegisteredCommandFor(const std::string& registeredCommand, const std::string& target) {
  std::string command = registeredCommand;
  size_t placeholder = command.find("\"%1\"");
  if (placeholder == std::string::npos) placeholder = command.find("%1");
  if (placeholder != std::string::npos) command.resize(placeholder);
  return command + " " + target;
}

INT_PTR CLinkLabel::OpenTarget(const std::string& target, int showCommand) {
  INT_PTR shellResult = ShellExecuteFile(nullptr, "open", target, "", "", showCommand);
  if (shellResult > 32) return shellResult;

  std::string pageClass;
  if (!ReadClassesRootDefault(".htm", pageClass)) return shellResult;
  std::string registeredCommand;
  if (!ReadClassesRootDefault(pageClass + "\\shell\\open\\command", registeredCommand)) return shellResult;
  return RunCommandLine(RegisteredCommandFor(registeredCommand, target), showCommand);
}

std::string OpenErrorText(INT_PTR code) {
  const char* text = nullptr;
  switch (code) {
    case 0: text = "The operating system is out\nof memory or resources."; break;
    case SE_ERR_FNF: text = "The specified file was not found."; break;
    case SE_ERR_PNF: text = "The specified path was not found."; break;
    case SE_ERR_ACCESSDENIED: text = "The operating system denied\naccess to the specified file."; break;
    case SE_ERR_OOM: text = "There was not enough memory to complete the operation."; break;
    case ERROR_BAD_FORMAT: text = "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."; break;
    case SE_ERR_SHARE: text = "A sharing violation occurred. "; break;
    case SE_ERR_ASSOCINCOMPLETE: text = "The filename association is\nincomplete or invalid."; break;
    case SE_ERR_DDETIMEOUT:
      text = "The DDE transaction could not\nbe completed because the request timed out.";
      break;
    case SE_ERR_DDEFAIL: text = "The DDE transaction failed."; break;
    case SE_ERR_DDEBUSY:
      text = "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
      break;
    case SE_ERR_NOASSOC: text = "There is no application associated\nwith the given filename extension."; break;
    case SE_ERR_DLLNOTFOUND: text = "The specified dynamic-link library was not found."; break;
    default: break;
  }
  std::string message = text ? std::string(text) : Format("Unknown Error (%d) occurred.", static_cast<int>(code));
  return "Unable to open hyperlink:\n\n" + message;
}

void CLinkLabel::ShowOpenError(INT_PTR code) { AppMessageBox(OpenErrorText(code), MB_ICONEXCLAMATION | MB_OK); }
