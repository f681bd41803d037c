// An owner-drawn push button painted from bitmaps (normal, pressed, hover, disabled) with its
// caption drawn over them. It captures the mouse to show the hover picture and tells the
// application's main window when the mouse enters and leaves it.
#pragma once
#include "framework/Handles.h"
#include "framework/Window.h"

// Posted to the main window with wParam = the button's control id, lParam 0.
constexpr UINT WM_SKINBUTTON_ENTER = WM_USER + 501;
constexpr UINT WM_SKINBUTTON_LEAVE = WM_USER + 502;

class CSkinButton : public Window {
public:
  enum State { Normal = 0, Pressed = 1, Hover = 2, Disabled = 3 };

  // Bitmap resource ids; 0 means no picture for that look. Returns false as soon as one fails
  // to load (the looks loaded before it stay loaded).
  bool LoadBitmaps(UINT normal, UINT pressed, UINT hover, UINT disabled);
  // The same with resource names; null means no picture.
  bool LoadBitmaps(const char* normal, const char* pressed, const char* hover, const char* disabled);

  // 1 and 2 enable the window, 3 disables it, anything else enables it with state 0.
  // Returns the button's check state.
  LRESULT SetButtonState(int newState);

  int State() const { return state_; }
  bool Tracking() const { return tracking_; }
  bool HasBitmap(int look) const { return look >= 0 && look < 4 && bitmaps_[look]; }

  bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  void OnMouseMove(WPARAM keys, POINT point);
  void StartHover();
  void EndHover();
  void NotifyMainWindow(UINT message);
  void Draw(const DRAWITEMSTRUCT& item);

  bool tracking_ = false;
  int state_ = Normal;
  // Indexed by State: normal, pressed, hover, disabled.
  GdiObject<HBITMAP> bitmaps_[4];
};
