// A dialog over a dialog template, run modally with our own message loop (so that
// PreTranslateMessage can translate accelerators), with message-map style routing of
// messages, command ids and notifications to handlers, and data exchange helpers.
#pragma once
#include "framework/Window.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class Dialog : public Window {
public:
  explicit Dialog(UINT templateId, HWND parent = nullptr);
  ~Dialog() override;

  // Runs the dialog modally; returns the value given to EndDialog, or -1 when it cannot be created.
  INT_PTR DoModal();
  // Creates the dialog without running it (tests drive it with messages); true on success.
  bool Create();
  void Destroy();
  void EndDialog(INT_PTR result);
  bool Ended() const { return ended_; }
  INT_PTR Result() const { return result_; }

  // Data exchange helpers.
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  std::string GetItemText(int id) const;
  void SetItemText(int id, const std::string& text);
  void EnableItem(int id, bool enable);
  void ComboReset(int id);
  int ComboAdd(int id, const std::string& text);
  int ComboGetSel(int id) const;
  void ComboSetSel(int id, int index);
  int ComboCount(int id) const;

  virtual BOOL PreTranslateMessage(MSG* msg);

protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // Routes through the handler tables, reflects control notifications, then Default().
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  // Handler tables (filled by the derived class's constructor).
  void OnMessage(UINT msg, std::function<LRESULT(WPARAM, LPARAM)> handler);
  void OnCommand(int id, std::function<void()> handler);
  void OnCommandCode(int id, UINT code, std::function<void()> handler);
  void OnCommandRange(int first, int last, std::function<void(int id)> handler);
  void OnNotify(int id, UINT code, std::function<LRESULT(NMHDR*)> handler);

  // Routes WM_COMMAND as the message map does; true when some handler took it.
  bool RouteCommand(WPARAM wp, LPARAM lp);

  UINT templateId_;
  HWND parent_;

private:
  static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool ReflectToChild(HWND child, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

  std::map<UINT, std::function<LRESULT(WPARAM, LPARAM)>> messageHandlers_;
  std::map<std::pair<int, int>, std::function<void()>> commandHandlers_;  // (id, code or -1)
  struct CommandRange { int first, last; std::function<void(int)> handler; };
  std::vector<CommandRange> commandRanges_;
  std::map<std::pair<int, UINT>, std::function<LRESULT(NMHDR*)>> notifyHandlers_;
  bool ended_ = false;
  INT_PTR result_ = 0;
};
