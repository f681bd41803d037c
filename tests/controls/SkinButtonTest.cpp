#include "controls/SkinButton.h"
#include "resources/resource.h"
#include "tests/controls/TestWindows.h"

#include <gtest/gtest.h>

namespace {
constexpr int kButtonId = 4001;

// An owner-drawn button on the host dialog, bound to a CSkinButton.
class SkinButtonTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dialog.Create());
    HWND hwnd = CreateWindowExA(0, "BUTTON", "确定", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10, 10, 75, 21,
                                dialog.Handle(), reinterpret_cast<HMENU>(kButtonId), nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(button.Subclass(hwnd));
    // Nothing of the set-up may count as a notification.
    main.TakePosted(WM_SKINBUTTON_ENTER);
    main.TakePosted(WM_SKINBUTTON_LEAVE);
  }
  void TearDown() override {
    ReleaseCapture();
    dialog.Destroy();
  }
  HWND Button() const { return button.Handle(); }
  size_t Entered() { return main.TakePosted(WM_SKINBUTTON_ENTER).size(); }
  size_t Left() { return main.TakePosted(WM_SKINBUTTON_LEAVE).size(); }
  size_t Clicks() const {
    size_t n = 0;
    for (const auto& command : dialog.commands) n += command == std::make_pair(kButtonId, int(BN_CLICKED));
    return n;
  }

  MainWindowStandIn main;
  HostDialog dialog;
  CSkinButton button;
};
}  // namespace

TEST_F(SkinButtonTest, MouseEnteringWithoutAButtonStartsHoverOnce) {
  SendMouse(Button(), WM_MOUSEMOVE, 5, 5, 0);
  EXPECT_EQ(button.State(), CSkinButton::Hover);
  EXPECT_TRUE(button.Tracking());
  EXPECT_EQ(GetCapture(), Button());
  std::vector<WPARAM> entered = main.TakePosted(WM_SKINBUTTON_ENTER);
  ASSERT_EQ(entered.size(), 1u);
  EXPECT_EQ(entered[0], static_cast<WPARAM>(kButtonId));

  SendMouse(Button(), WM_MOUSEMOVE, 20, 8, 0);
  EXPECT_EQ(button.State(), CSkinButton::Hover);
  EXPECT_EQ(Entered(), 0u);
  EXPECT_EQ(Left(), 0u);
}

TEST_F(SkinButtonTest, MouseEnteringWithAButtonHeldShowsNoHover) {
  for (WPARAM keys : {WPARAM(MK_LBUTTON), WPARAM(MK_RBUTTON), WPARAM(MK_MBUTTON)}) {
    SendMouse(Button(), WM_MOUSEMOVE, 5, 5, keys);
    EXPECT_EQ(button.State(), CSkinButton::Normal) << keys;
    EXPECT_FALSE(button.Tracking());
    EXPECT_NE(GetCapture(), Button());
  }
  EXPECT_EQ(Entered(), 0u);
}

TEST_F(SkinButtonTest, PressAndReleaseInsideClicksWithoutLeavingAndHoverStartsAgain) {
  SendMouse(Button(), WM_MOUSEMOVE, 5, 5, 0);
  SendMouse(Button(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  EXPECT_EQ(button.State(), CSkinButton::Pressed);
  SendMouse(Button(), WM_LBUTTONUP, 5, 5, 0);
  EXPECT_EQ(Entered(), 1u);
  EXPECT_EQ(Left(), 0u);
  PumpMessages();
  EXPECT_EQ(button.State(), CSkinButton::Normal);
  EXPECT_EQ(Clicks(), 1u);
  // The button gave the capture up on release, so the next move is a new entry.
  EXPECT_NE(GetCapture(), Button());
  SendMouse(Button(), WM_MOUSEMOVE, 6, 6, 0);
  EXPECT_EQ(button.State(), CSkinButton::Hover);
  EXPECT_EQ(Entered(), 1u);
}

TEST_F(SkinButtonTest, DraggingOutWithTheButtonHeldEndsHover) {
  SendMouse(Button(), WM_MOUSEMOVE, 5, 5, 0);
  SendMouse(Button(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  SendMouse(Button(), WM_MOUSEMOVE, 100, 40, MK_LBUTTON);
  EXPECT_EQ(button.State(), CSkinButton::Normal);
  EXPECT_FALSE(button.Tracking());
  EXPECT_NE(GetCapture(), Button());
  EXPECT_EQ(Left(), 1u);
  SendMouse(Button(), WM_LBUTTONUP, 100, 40, 0);
  PumpMessages();
  EXPECT_EQ(Clicks(), 0u);
}

TEST_F(SkinButtonTest, HoverEndsWhenTheMouseLeavesTheClientArea) {
  SendMouse(Button(), WM_MOUSEMOVE, 5, 5, 0);
  SendMouse(Button(), WM_MOUSEMOVE, 74, 20, 0);
  EXPECT_EQ(button.State(), CSkinButton::Hover);
  SendMouse(Button(), WM_MOUSEMOVE, 75, 20, 0);
  EXPECT_EQ(button.State(), CSkinButton::Normal);
  EXPECT_EQ(Entered(), 1u);
  EXPECT_EQ(Left(), 1u);
}

TEST_F(SkinButtonTest, SetButtonStateEnablesOrDisablesTheWindow) {
  button.SetButtonState(CSkinButton::Disabled);
  EXPECT_EQ(button.State(), CSkinButton::Disabled);
  EXPECT_FALSE(IsWindowEnabled(Button()));
  button.SetButtonState(CSkinButton::Hover);
  EXPECT_EQ(button.State(), CSkinButton::Hover);
  EXPECT_TRUE(IsWindowEnabled(Button()));
  button.SetButtonState(CSkinButton::Disabled);
  EXPECT_EQ(button.SetButtonState(7), BST_UNCHECKED);
  EXPECT_EQ(button.State(), CSkinButton::Normal);
  EXPECT_TRUE(IsWindowEnabled(Button()));
}

TEST_F(SkinButtonTest, LoadBitmapsStopsAtTheFirstPictureThatFails) {
  EXPECT_FALSE(button.LoadBitmaps(IDB_OK_NORMAL, 9999, IDB_OK_HOVER, IDB_OK_PRESSED));
  EXPECT_TRUE(button.HasBitmap(CSkinButton::Normal));
  EXPECT_FALSE(button.HasBitmap(CSkinButton::Pressed));
  EXPECT_FALSE(button.HasBitmap(CSkinButton::Hover));
  EXPECT_FALSE(button.HasBitmap(CSkinButton::Disabled));

  EXPECT_TRUE(button.LoadBitmaps(IDB_OK_NORMAL, IDB_OK_PRESSED, IDB_OK_HOVER, 0));
  EXPECT_TRUE(button.HasBitmap(CSkinButton::Hover));
  EXPECT_FALSE(button.HasBitmap(CSkinButton::Disabled));
  // A new set replaces every look, also with "none".
  EXPECT_TRUE(button.LoadBitmaps(0u, 0u, 0u, 0u));
  for (int look = 0; look < 4; ++look) EXPECT_FALSE(button.HasBitmap(look)) << look;
}

// Draws the button through its parent into a memory bitmap pre-filled with a marker colour.
class SkinButtonDrawing : public SkinButtonTest {
protected:
  static constexpr COLORREF kMarker = RGB(255, 0, 255);
  void Paint() {
    HDC screen = GetDC(nullptr);
    memory = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, 75, 21);
    ReleaseDC(nullptr, screen);
    old = SelectObject(memory, bitmap);
    HBRUSH marker = CreateSolidBrush(kMarker);
    RECT all{0, 0, 75, 21};
    FillRect(memory, &all, marker);
    DeleteObject(marker);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(Button(), WM_GETFONT, 0, 0));
    if (font) SelectObject(memory, font);
    DRAWITEMSTRUCT item{ODT_BUTTON, kButtonId, 0, ODA_DRAWENTIRE, 0, Button(), memory, all, 0};
    SendMessageA(dialog.Handle(), WM_DRAWITEM, kButtonId, reinterpret_cast<LPARAM>(&item));
  }
  int Count(COLORREF colour) const {
    int n = 0;
    for (int y = 0; y < 21; ++y)
      for (int x = 0; x < 75; ++x) n += GetPixel(memory, x, y) == colour;
    return n;
  }
  void TearDown() override {
    if (memory) {
      SelectObject(memory, old);
      DeleteObject(bitmap);
      DeleteDC(memory);
    }
    SkinButtonTest::TearDown();
  }
  HDC memory = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
};

TEST_F(SkinButtonDrawing, NormalLookCopiesItsPictureAndDrawsTheCaption) {
  ASSERT_TRUE(button.LoadBitmaps(IDB_OK_NORMAL, IDB_OK_PRESSED, IDB_OK_HOVER, 0));
  Paint();
  EXPECT_EQ(Count(kMarker), 0);
  // The picture's own pixel in the right half, where the caption does not reach.
  HBITMAP picture = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_OK_NORMAL));
  HDC pictureDC = CreateCompatibleDC(memory);
  HGDIOBJ previous = SelectObject(pictureDC, picture);
  EXPECT_EQ(GetPixel(memory, 66, 17), GetPixel(pictureDC, 66, 17));
  EXPECT_EQ(GetPixel(memory, 1, 10), GetPixel(pictureDC, 1, 10));
  SelectObject(pictureDC, previous);
  DeleteDC(pictureDC);
  DeleteObject(picture);
}

TEST_F(SkinButtonDrawing, ALookWithoutPictureDrawsOnlyTheCaption) {
  ASSERT_TRUE(button.LoadBitmaps(IDB_OK_NORMAL, IDB_OK_PRESSED, 0, 0));
  SendMouse(Button(), WM_MOUSEMOVE, 5, 5, 0);
  ASSERT_EQ(button.State(), CSkinButton::Hover);
  Paint();
  int untouched = Count(kMarker);
  EXPECT_GT(untouched, 75 * 21 - 400);  // everything but the caption
  EXPECT_LT(untouched, 75 * 21);        // the caption was drawn
  EXPECT_EQ(GetPixel(memory, 70, 19), kMarker);
}

TEST_F(SkinButtonDrawing, DisabledCaptionIsEngraved) {
  button.SetButtonState(CSkinButton::Disabled);
  Paint();
  EXPECT_GT(Count(GetSysColor(COLOR_BTNHIGHLIGHT)), 0);
  EXPECT_GT(Count(GetSysColor(COLOR_BTNSHADOW)), 0);
  EXPECT_EQ(Count(GetSysColor(COLOR_WINDOWFRAME)), 0);
}

TEST(SkinButtonPictures, EveryPictureIsSizedForItsButtonAndItsLooksDiffer) {
  struct Set { UINT normal, pressed, hover; int width, height; };
  const Set sets[] = {
      {IDB_RECORD_NORMAL, IDB_RECORD_PRESSED, 0, 176, 56},   {IDB_STOP_NORMAL, IDB_STOP_PRESSED, 0, 176, 56},
      {IDB_SETTINGS_NORMAL, IDB_SETTINGS_PRESSED, IDB_SETTINGS_HOVER, 56, 20},
      {IDB_PACKAGE_NORMAL, IDB_PACKAGE_PRESSED, IDB_PACKAGE_HOVER, 56, 20},
      {IDB_ABOUT_NORMAL, IDB_ABOUT_PRESSED, IDB_ABOUT_HOVER, 56, 20},
      {IDB_HELP_NORMAL, IDB_HELP_PRESSED, IDB_HELP_HOVER, 56, 20},
      {IDB_EDIT_NORMAL, IDB_EDIT_PRESSED, IDB_EDIT_HOVER, 56, 20},
      {IDB_OK_NORMAL, IDB_OK_PRESSED, IDB_OK_HOVER, 75, 21},
      {IDB_CANCEL_NORMAL, IDB_CANCEL_PRESSED, IDB_CANCEL_HOVER, 75, 21},
      {IDB_SETTINGS_PICTURE, IDB_SETTINGS_PICTURE_PRESSED, 0, 66, 59},
  };
  auto pixels = [](UINT id, int& width, int& height) {
    std::vector<COLORREF> out;
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info)) return out;
    width = info.bmWidth;
    height = info.bmHeight;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) out.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return out;
  };
  auto differing = [](const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    size_t n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n;
  };
  for (const Set& set : sets) {
    std::vector<UINT> ids{set.normal, set.pressed};
    if (set.hover) ids.push_back(set.hover);
    std::vector<std::vector<COLORREF>> looks;
    for (UINT id : ids) {
      int width = 0, height = 0;
      looks.push_back(pixels(id, width, height));
      EXPECT_EQ(width, set.width) << id;
      EXPECT_EQ(height, set.height) << id;
    }
    // At least half of every picture changes from one look to the next.
    for (size_t i = 0; i < looks.size(); ++i)
      for (size_t j = i + 1; j < looks.size(); ++j)
        EXPECT_GT(differing(looks[i], looks[j]) * 2, looks[i].size()) << ids[i] << " vs " << ids[j];
  }
}

TEST(SkinButtonPictures, RecordingLookIsAStopSquareNotARedDot) {
  HBITMAP ready = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_RECORD_NORMAL));
  HBITMAP stop = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_STOP_NORMAL));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, ready);
  COLORREF readyCentre = GetPixel(dc, 88, 36), readyCorner = GetPixel(dc, 80, 43);
  SelectObject(dc, stop);
  COLORREF stopCentre = GetPixel(dc, 88, 36), stopCorner = GetPixel(dc, 80, 43);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(ready);
  DeleteObject(stop);
  // Ready: a red dot in the middle. Recording: a dark square reaching into its corners.
  EXPECT_GT(GetRValue(readyCentre), 150);
  EXPECT_LT(GetGValue(readyCentre), 100);
  EXPECT_LT(GetRValue(stopCentre), 110);
  EXPECT_LT(GetRValue(stopCorner), 110);
  EXPECT_GT(GetRValue(readyCorner), GetRValue(stopCorner) + 60);
}
