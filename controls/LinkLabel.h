// A static text control that behaves like a link in a web page: underlined link colour, a
// hover colour, a hand cursor and a tooltip with its target; a click opens the target.
#pragma once
#include "framework/Handles.h"
#include "framework/Window.h"

#include <string>

class CLinkLabel : public Window {
public:
  CLinkLabel();
  ~CLinkLabel() override;

  // Binds to the dialog's static control and prepares it (notify style, target, underlined
  // font, size, cursor, tooltip).
  bool Attach(int controlId, HWND dialog);

  void SetTarget(const std::string& target);
  const std::string& Target() const { return target_; }
  void SetVisited(bool visited);
  bool Visited() const { return visited_; }
  bool OverControl() const { return overControl_; }
  COLORREF CurrentTextColour() const;
  HWND Tooltip() const { return tooltip_; }
  HCURSOR Cursor() const { return cursor_; }

  // Resizes the control to its text, keeping the alignment its style asks for.
  void FitToText();
  // Opens the target with the shell, or else with the registered ".htm" command;
  // the result code (above 32 on success).
  static INT_PTR OpenTarget(const std::string& target, int showCommand);
  // Reports a failed open with the text for the shell's result code.
  static void ShowOpenError(INT_PTR code);

  bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  COLORREF linkColour = RGB(0, 0, 128);
  COLORREF visitedColour = RGB(85, 26, 139);
  COLORREF hoverColour;
  bool underline = true;
  bool fitToText = true;

protected:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnDestroyed() override;

private:
  void OnClicked();
  void OnMouseMove(POINT point);
  void RelayToTooltip(UINT msg, WPARAM wp, LPARAM lp);
  void LoadHandCursor();
  void CreateTooltip();
  void DestroyCursorAndTooltip();

  bool overControl_ = false;
  bool visited_ = false;
  std::string target_;
  GdiObject<HFONT> font_;
  HCURSOR cursor_ = nullptr;
  HWND tooltip_ = nullptr;
};

// The registered ".htm" command with its placeholder cut off, then a blank and the target.
std::string RegisteredCommandFor(const std::string& registeredCommand, const std::string& target);
// The message of ShowOpenError for a result code.
std::string OpenErrorText(INT_PTR code);
