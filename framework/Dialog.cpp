#include "framework/Dialog.h"

#include "framework/App.h"

#include <commctrl.h>
#include <vector>

Dialog::Dialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() { Destroy(); }

bool Dialog::Create() {
  ended_ = false;
  result_ = 0;
  HWND hwnd = CreateDialogParamA(ResourceInstance(), MAKEINTRESOURCEA(templateId_), parent_,
                                 &Dialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
  return hwnd != nullptr;
}

void Dialog::Destroy() {
  if (hwnd_) DestroyWindow(hwnd_);
}

INT_PTR Dialog::DoModal() {
  HWND parent = parent_;
  bool reenableParent = parent && IsWindowEnabled(parent);
  if (reenableParent) EnableWindow(parent, FALSE);
  if (!Create()) {
    if (reenableParent) EnableWindow(parent, TRUE);
    return -1;
  }
  if (!ended_) ShowWindow(hwnd_, SW_SHOWNORMAL);
  MSG msg;
  while (!ended_) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (!PreTranslateMessage(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  // Re-enable the owner before the dialog goes, so that activation returns to it.
  if (reenableParent) EnableWindow(parent, TRUE);
  if (parent && GetActiveWindow() == hwnd_) SetActiveWindow(parent);
  Destroy();
  return result_;
}

void Dialog::EndDialog(INT_PTR result) {
  ended_ = true;
  result_ = result;
  if (hwnd_) PostMessageA(hwnd_, WM_NULL, 0, 0);  // wakes the modal loop
}

BOOL Dialog::PreTranslateMessage(MSG* msg) { return hwnd_ && IsDialogMessageA(hwnd_, msg); }

INT_PTR CALLBACK Dialog::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_INITDIALOG) return FALSE;  // everything else reaches WindowProc by subclassing
  auto* self = reinterpret_cast<Dialog*>(lp);
  self->Subclass(hwnd);
  return self->OnInitDialog();
}

bool Dialog::ReflectToChild(HWND child, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  Window* control = Window::FromHandle(child);
  return control && control != this && control->OnReflectedMessage(msg, wp, lp, result);
}

bool Dialog::RouteCommand(WPARAM wp, LPARAM lp) {
  int id = LOWORD(wp);
  int code = HIWORD(wp);
  LRESULT ignored = 0;
  if (lp && ReflectToChild(reinterpret_cast<HWND>(lp), WM_COMMAND, wp, lp, ignored)) return true;
  auto exact = commandHandlers_.find({id, code});
  if (exact != commandHandlers_.end()) {
    exact->second();
    return true;
  }
  // Plain command handlers take clicks, menu items and accelerators (codes 0 and 1).
  if (code == BN_CLICKED || code == 1) {
    auto any = commandHandlers_.find({id, -1});
    if (any != commandHandlers_.end()) {
      any->second();
      return true;
    }
    for (const CommandRange& range : commandRanges_) {
      if (id >= range.first && id <= range.last) {
        range.handler(id);
        return true;
      }
    }
    if (id == IDOK) { OnOK(); return true; }
    if (id == IDCANCEL) { OnCancel(); return true; }
  }
  return false;
}

LRESULT Dialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  auto handler = messageHandlers_.find(msg);
  if (handler != messageHandlers_.end()) return handler->second(wp, lp);
  LRESULT result = 0;
  switch (msg) {
    case WM_COMMAND:
      if (RouteCommand(wp, lp)) return 0;
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      auto notify = notifyHandlers_.find({static_cast<int>(header->idFrom), header->code});
      if (notify != notifyHandlers_.end()) return notify->second(header);
      break;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (ReflectToChild(item->hwndItem, msg, wp, lp, result)) return TRUE;
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      if (ReflectToChild(reinterpret_cast<HWND>(lp), msg, wp, lp, result)) return result;
      break;
    default:
      break;
  }
  return Default();
}

void Dialog::OnMessage(UINT msg, std::function<LRESULT(WPARAM, LPARAM)> handler) {
  messageHandlers_[msg] = std::move(handler);
}

void Dialog::OnCommand(int id, std::function<void()> handler) {
  commandHandlers_[{id, -1}] = std::move(handler);
}

void Dialog::OnCommandCode(int id, UINT code, std::function<void()> handler) {
  commandHandlers_[{id, static_cast<int>(code)}] = std::move(handler);
}

void Dialog::OnCommandRange(int first, int last, std::function<void(int)> handler) {
  commandRanges_.push_back({first, last, std::move(handler)});
}

void Dialog::OnNotify(int id, UINT code, std::function<LRESULT(NMHDR*)> handler) {
  notifyHandlers_[{id, code}] = std::move(handler);
}

std::string Dialog::GetItemText(int id) const {
  HWND item = Item(id);
  int length = item ? GetWindowTextLengthA(item) : 0;
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  int copied = GetWindowTextA(item, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), static_cast<size_t>(copied));
}

void Dialog::SetItemText(int id, const std::string& text) { SetDlgItemTextA(hwnd_, id, text.c_str()); }

void Dialog::EnableItem(int id, bool enable) { EnableWindow(Item(id), enable ? TRUE : FALSE); }

void Dialog::ComboReset(int id) { SendDlgItemMessageA(hwnd_, id, CB_RESETCONTENT, 0, 0); }

int Dialog::ComboAdd(int id, const std::string& text) {
  return static_cast<int>(
      SendDlgItemMessageA(hwnd_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int Dialog::ComboGetSel(int id) const {
  return static_cast<int>(SendDlgItemMessageA(hwnd_, id, CB_GETCURSEL, 0, 0));
}

void Dialog::ComboSetSel(int id, int index) { SendDlgItemMessageA(hwnd_, id, CB_SETCURSEL, index, 0); }

int Dialog::ComboCount(int id) const {
  return static_cast<int>(SendDlgItemMessageA(hwnd_, id, CB_GETCOUNT, 0, 0));
}
