#include "lessons/SettingsDialog.h"

#include "app/Settings.h"

#include "resources/resource.h"
#include "tests/capture/DShowFakes.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <memory>

using namespace fakes;

namespace {
class SettingsDialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    devices = ComPtr<FakeDeviceEnumerator>::Attach(new FakeDeviceEnumerator);
    factory.Register(CLSID_SystemDeviceEnum, [this] {
      devices->AddRef();
      return static_cast<ICreateDevEnum*>(devices.Get());
    });
  }
  void TearDown() override {
    if (dialog) dialog->Destroy();
  }
  void Open(int videoIndex, int audioIndex) {
    dialog = std::make_unique<SettingsDialog>();
    dialog->videoIndex = videoIndex;
    dialog->audioIndex = audioIndex;
    dialog->location = "D:\\课堂录像";
    dialog->programFolder = folder.Path() + "\\";
    dialog->EnableTitle = 0;
    ASSERT_TRUE(dialog->Create());
  }
  HWND Hwnd() const { return dialog->Handle(); }
  std::vector<std::string> ComboItems(int id) const {
    std::vector<std::string> items;
    int count = dialog->ComboCount(id);
    for (int i = 0; i < count; ++i) {
      char text[256] = {};
      SendDlgItemMessageA(Hwnd(), id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      items.push_back(text);
    }
    return items;
  }
  void Choose(int id, int index) {
    SendDlgItemMessageA(Hwnd(), id, CB_SETCURSEL, index, 0);
    SendMessageA(Hwnd(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(dialog->Item(id)));
  }
  void Confirm() { SendMessageA(Hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }
  std::string StoredEnableTitle() const {
    char value[16] = {};
    GetPrivateProfileStringA("Setup", "EnableTitle", "missing", value, sizeof(value),
                             (folder / "Setup.ini").c_str());
    return value;
  }

  TempDir folder;
  FakeComFactory factory;
  ComPtr<FakeDeviceEnumerator> devices;
  MessageBoxRecorder boxes;
  std::unique_ptr<SettingsDialog> dialog;
};
}  // namespace

TEST_F(SettingsDialogTest, ListsTheReadableDevicesAndSelectsTheCurrentOnes) {
  devices->AddVideo("USB 摄像头");
  devices->AddVideo("nameless", false);
  devices->AddVideo("Second Camera");
  devices->AddAudio("麦克风");
  devices->AddAudio("Line In");
  Open(1, 1);
  EXPECT_EQ(ComboItems(IDC_SETTINGS_VIDEO), (std::vector<std::string>{"USB 摄像头", "Second Camera"}));
  EXPECT_EQ(ComboItems(IDC_SETTINGS_AUDIO), (std::vector<std::string>{"麦克风", "Line In"}));
  EXPECT_EQ(dialog->ComboGetSel(IDC_SETTINGS_VIDEO), 1);
  EXPECT_EQ(dialog->ComboGetSel(IDC_SETTINGS_AUDIO), 1);
  EXPECT_EQ(dialog->GetItemText(IDC_SETTINGS_LOCATION), "D:\\课堂录像");
  EXPECT_TRUE(GetWindowLongA(dialog->Item(IDC_SETTINGS_LOCATION), GWL_STYLE) & ES_READONLY);

  char caption[32] = {};
  GetWindowTextA(Hwnd(), caption, sizeof(caption));
  EXPECT_STREQ(caption, "设置");
  EXPECT_EQ(dialog->GetItemText(IDC_SETTINGS_VIDEO_LABEL), "视频");
  EXPECT_EQ(dialog->GetItemText(IDC_SETTINGS_AUDIO_LABEL), "音频");
  EXPECT_EQ(dialog->GetItemText(IDC_SETTINGS_FOLDER_LABEL), "文件夹");
}

TEST_F(SettingsDialogTest, PictureAndCommandButtonsArePlacedInPixels) {
  devices->AddVideo("cam");
  devices->AddAudio("mic");
  Open(0, 0);
  const struct { int id, x, y, width, height; } places[] = {
      {IDC_SETTINGS_PICTURE, 248, 28, 66, 59}, {IDOK, 95, 152, 75, 21}, {IDCANCEL, 176, 152, 75, 21}};
  for (const auto& place : places) {
    RECT rect;
    GetWindowRect(dialog->Item(place.id), &rect);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, place.x) << place.id;
    EXPECT_EQ(rect.top, place.y) << place.id;
    EXPECT_EQ(rect.right - rect.left, place.width) << place.id;
    EXPECT_EQ(rect.bottom - rect.top, place.height) << place.id;
    auto* button = dynamic_cast<CSkinButton*>(Window::FromHandle(dialog->Item(place.id)));
    ASSERT_NE(button, nullptr) << place.id;
    EXPECT_TRUE(button->HasBitmap(CSkinButton::Normal)) << place.id;
    EXPECT_TRUE(button->HasBitmap(CSkinButton::Pressed)) << place.id;
    EXPECT_TRUE(button->HasBitmap(CSkinButton::Hover)) << place.id;
  }
}

TEST_F(SettingsDialogTest, ConfirmingUntouchedListsReportsNoDeviceChangeAndWritesEnableTitle) {
  devices->AddVideo("cam0");
  devices->AddVideo("cam1");
  devices->AddAudio("mic0");
  Open(1, 0);
  Confirm();
  EXPECT_TRUE(dialog->Ended());
  EXPECT_EQ(dialog->Result(), IDOK);
  EXPECT_EQ(dialog->devicesChanged, 0);
  EXPECT_EQ(dialog->videoIndex, 1);
  EXPECT_EQ(dialog->audioIndex, 0);
  EXPECT_EQ(dialog->location, "D:\\课堂录像");
  EXPECT_EQ(StoredEnableTitle(), "0");
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SettingsDialogTest, ChoosingAnotherDeviceSetsDevicesChanged) {
  devices->AddVideo("cam0");
  devices->AddVideo("cam1");
  devices->AddAudio("mic0");
  devices->AddAudio("mic1");
  Open(0, 0);
  Choose(IDC_SETTINGS_AUDIO, 1);
  EXPECT_EQ(dialog->devicesChanged, 1);
  Confirm();
  EXPECT_EQ(dialog->videoIndex, 0);
  EXPECT_EQ(dialog->audioIndex, 1);
}

TEST_F(SettingsDialogTest, WithoutMicrophonesNothingIsSelectedAndConfirmingGivesMinusOne) {
  devices->AddVideo("cam0");
  Open(0, 0);
  EXPECT_EQ(ComboItems(IDC_SETTINGS_VIDEO), (std::vector<std::string>{"cam0"}));
  EXPECT_EQ(dialog->ComboGetSel(IDC_SETTINGS_VIDEO), CB_ERR);
  EXPECT_EQ(dialog->GetItemText(IDC_SETTINGS_LOCATION), "");
  Confirm();
  EXPECT_EQ(dialog->videoIndex, -1);
  EXPECT_EQ(dialog->audioIndex, -1);
  EXPECT_EQ(dialog->location, "D:\\课堂录像");  // the save folder is kept
  EXPECT_EQ(StoredEnableTitle(), "0");
}

TEST_F(SettingsDialogTest, MissingDeviceEnumeratorLeavesTheListsEmpty) {
  factory.Unregister(CLSID_SystemDeviceEnum);
  Open(0, 0);
  EXPECT_EQ(dialog->ComboCount(IDC_SETTINGS_VIDEO), 0);
  EXPECT_EQ(dialog->ComboCount(IDC_SETTINGS_AUDIO), 0);
  EXPECT_EQ(dialog->GetItemText(IDC_SETTINGS_LOCATION), "");
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SettingsDialogTest, BrowsedFolderReplacesTheLocationAndAnEmptyOneIsRefused) {
  devices->AddVideo("cam0");
  devices->AddAudio("mic0");
  Open(0, 0);
  dialog->ApplyBrowsedFolder("");
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Selected Dir is NOT Correct,Please select again!"}));
  EXPECT_EQ(dialog->location, "D:\\课堂录像");
  dialog->ApplyBrowsedFolder("E:\\新的文件夹");
  EXPECT_EQ(dialog->location, "E:\\新的文件夹");
  EXPECT_EQ(dialog->GetItemText(IDC_SETTINGS_LOCATION), "E:\\新的文件夹");
}

TEST_F(SettingsDialogTest, CancelEndsWithoutWritingTheSettingsFile) {
  devices->AddVideo("cam0");
  devices->AddAudio("mic0");
  Open(0, 0);
  SendMessageA(Hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_EQ(dialog->Result(), IDCANCEL);
  EXPECT_EQ(StoredEnableTitle(), "missing");
}

namespace {
// The title section as a teacher fills it in, then the way the main window keeps it: the dialog's
// members saved to Setup.ini (OK writes EnableTitle itself) and read back at the next start.
class TitleSectionTest : public SettingsDialogTest {
protected:
  void OpenWith(const Settings& settings) {
    devices->AddVideo("cam0");
    devices->AddAudio("mic0");
    dialog = std::make_unique<SettingsDialog>();
    dialog->programFolder = folder.Path() + "\\";
    dialog->EnableTitle = settings.EnableTitle;
    dialog->OverlayType = settings.OverlayType;
    dialog->OverlayText = settings.OverlayText;
    dialog->OverlayPos = settings.OverlayPos;
    dialog->OverlayFontSize = settings.OverlayFontSize;
    dialog->OverlayFontColor = settings.OverlayFontColor;
    ASSERT_TRUE(dialog->Create());
  }
  void Click(int id) { SendMessageA(dialog->Item(id), BM_CLICK, 0, 0); }
  void Type(int id, const std::string& text) {
    SetWindowTextA(dialog->Item(id), text.c_str());
    SendMessageA(Hwnd(), WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(dialog->Item(id)));
  }
  // The text a closed drop-down list shows.
  std::string Shown(int id) { return dialog->GetItemText(id); }
  bool Enabled(int id) { return IsWindowEnabled(dialog->Item(id)) != FALSE; }
  // What the main window keeps after OK, saved as it saves it.
  Settings Kept() {
    Settings kept;
    LoadSettings(kept, folder.Path() + "\\");
    kept.EnableTitle = dialog->EnableTitle;
    kept.OverlayType = dialog->OverlayType;
    kept.OverlayText = dialog->OverlayText;
    kept.OverlayPos = dialog->OverlayPos;
    kept.OverlayFontSize = dialog->OverlayFontSize;
    kept.OverlayFontColor = dialog->OverlayFontColor;
    SaveSettings(kept, folder.Path() + "\\");
    return kept;
  }
  std::string Stored(const char* key) {
    char value[256] = {};
    GetPrivateProfileStringA("Setup", key, "missing", value, sizeof(value), (folder / "Setup.ini").c_str());
    return value;
  }
  Settings Defaults() {
    Settings settings;
    LoadSettings(settings, folder.Path() + "\\");
    return settings;
  }
  const int titleControls[5] = {IDC_SETTINGS_TITLE_TEXT, IDC_SETTINGS_TITLE_POS, IDC_SETTINGS_TITLE_COLOUR,
                                IDC_SETTINGS_TITLE_SIZE, IDC_SETTINGS_TITLE_TYPE};
};
}  // namespace

TEST_F(TitleSectionTest, FirstStartShowsTheTitleOffWithItsControlsDisabled) {
  OpenWith(Defaults());
  EXPECT_EQ(IsDlgButtonChecked(Hwnd(), IDC_SETTINGS_TITLE_ENABLE), BST_UNCHECKED);
  for (int id : titleControls) EXPECT_FALSE(Enabled(id)) << id;
  EXPECT_EQ(dialog->GetItemText(IDC_SETTINGS_TITLE_TEXT), "Lumora");
  EXPECT_EQ(Shown(IDC_SETTINGS_TITLE_POS), "左上");
  EXPECT_EQ(Shown(IDC_SETTINGS_TITLE_COLOUR), "黑色");
  EXPECT_EQ(dialog->GetItemText(IDC_SETTINGS_TITLE_SIZE), "50");
  EXPECT_EQ(Shown(IDC_SETTINGS_TITLE_TYPE), "静止");
  EXPECT_EQ(ComboItems(IDC_SETTINGS_TITLE_POS), (std::vector<std::string>{"左上", "左下", "右上", "右下"}));
  EXPECT_EQ(ComboItems(IDC_SETTINGS_TITLE_COLOUR),
            (std::vector<std::string>{"白色", "红色", "黑色", "蓝色", "绿色"}));
  EXPECT_EQ(ComboItems(IDC_SETTINGS_TITLE_TYPE), (std::vector<std::string>{"静止", "滚动"}));
  Click(IDC_SETTINGS_TITLE_ENABLE);
  for (int id : titleControls) EXPECT_TRUE(Enabled(id)) << id;
  Click(IDC_SETTINGS_TITLE_ENABLE);
  for (int id : titleControls) EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(TitleSectionTest, WhatTheTeacherSetsIsStoredAndComesBackAfterARestart) {
  OpenWith(Defaults());
  Click(IDC_SETTINGS_TITLE_ENABLE);
  Type(IDC_SETTINGS_TITLE_TEXT, "高等数学 第三讲");
  Choose(IDC_SETTINGS_TITLE_POS, 3);
  Choose(IDC_SETTINGS_TITLE_COLOUR, 1);
  Type(IDC_SETTINGS_TITLE_SIZE, "36");
  Choose(IDC_SETTINGS_TITLE_TYPE, 1);
  EXPECT_EQ(dialog->devicesChanged, 0);
  Confirm();
  ASSERT_EQ(dialog->Result(), IDOK);
  EXPECT_EQ(Stored("EnableTitle"), "1");  // written by OK itself
  Kept();
  EXPECT_EQ(Stored("OverlayText"), "高等数学 第三讲");
  EXPECT_EQ(Stored("OverlayPos"), "RightBottom");
  EXPECT_EQ(Stored("OverlayFontColor"), "Red");
  EXPECT_EQ(Stored("OverlayFontSize"), "36");
  EXPECT_EQ(Stored("OverlayType"), "1");
  dialog->Destroy();

  // The next start reads them back, and the dialog shows them again.
  Settings restarted;
  LoadSettings(restarted, folder.Path() + "\\");
  EXPECT_EQ(restarted.EnableTitle, 1);
  EXPECT_EQ(restarted.OverlayText, "高等数学 第三讲");
  EXPECT_EQ(restarted.OverlayPos, "RightBottom");
  EXPECT_EQ(restarted.OverlayFontColor, "Red");
  EXPECT_EQ(restarted.OverlayFontSize, 36);
  EXPECT_EQ(restarted.OverlayType, 1);
  OpenWith(restarted);
  EXPECT_EQ(IsDlgButtonChecked(Hwnd(), IDC_SETTINGS_TITLE_ENABLE), BST_CHECKED);
  for (int id : titleControls) EXPECT_TRUE(Enabled(id)) << id;
  EXPECT_EQ(dialog->GetItemText(IDC_SETTINGS_TITLE_TEXT), "高等数学 第三讲");
  EXPECT_EQ(Shown(IDC_SETTINGS_TITLE_POS), "右下");
  EXPECT_EQ(Shown(IDC_SETTINGS_TITLE_COLOUR), "红色");
  EXPECT_EQ(dialog->GetItemText(IDC_SETTINGS_TITLE_SIZE), "36");
  EXPECT_EQ(Shown(IDC_SETTINGS_TITLE_TYPE), "滚动");

  // Switching it off again is stored too, and the other title settings are kept for later.
  Click(IDC_SETTINGS_TITLE_ENABLE);
  Confirm();
  EXPECT_EQ(Stored("EnableTitle"), "0");
  Kept();
  Settings again;
  LoadSettings(again, folder.Path() + "\\");
  EXPECT_EQ(again.EnableTitle, 0);
  EXPECT_EQ(again.OverlayText, "高等数学 第三讲");
  EXPECT_EQ(again.OverlayPos, "RightBottom");
}

TEST_F(TitleSectionTest, UnusableEntriesAreMendedOnOk) {
  const struct {
    const char* text;
    const char* size;
    std::string keptText;
    int keptSize;
  } cases[] = {
      {"", "7", "Lumora", 8},                     // no text: the default title; size below the least
      {"Title", "9999", "Title", 200},            // size above the most
      {"Title", "", "Title", 50},                 // no size: the one shown at the start
      // 51 Chinese characters are 102 bytes: cut to 50 whole characters, not in the middle of one.
      {nullptr, "20", "", 20},
  };
  std::string longText;
  for (int i = 0; i < 51; ++i) longText += "课";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "51 characters");
    DeleteFileA((folder / "Setup.ini").c_str());  // each case from a first start
    OpenWith(Defaults());
    Click(IDC_SETTINGS_TITLE_ENABLE);
    Type(IDC_SETTINGS_TITLE_TEXT, c.text ? c.text : longText);
    Type(IDC_SETTINGS_TITLE_SIZE, c.size);
    Confirm();
    std::string expected = c.text ? c.keptText : longText.substr(0, 100);
    EXPECT_EQ(dialog->OverlayText, expected);
    EXPECT_EQ(dialog->OverlayFontSize, c.keptSize);
    Kept();
    Settings restarted;
    LoadSettings(restarted, folder.Path() + "\\");
    EXPECT_EQ(restarted.OverlayText, expected);
    EXPECT_EQ(restarted.OverlayFontSize, c.keptSize);
    dialog->Destroy();
    dialog.reset();
  }
}

TEST_F(TitleSectionTest, TabGoesThroughDevicesAndTitleBeforeOkAndCancel) {
  Settings settings = Defaults();
  settings.EnableTitle = 1;
  OpenWith(settings);
  std::vector<int> order;
  HWND control = dialog->Item(IDC_SETTINGS_VIDEO);
  for (int i = 0; i < 20; ++i) {
    order.push_back(GetDlgCtrlID(control));
    control = GetNextDlgTabItem(Hwnd(), control, FALSE);
    if (control == dialog->Item(IDC_SETTINGS_VIDEO)) break;
  }
  EXPECT_EQ(order, (std::vector<int>{IDC_SETTINGS_VIDEO, IDC_SETTINGS_AUDIO, IDC_SETTINGS_LOCATION,
                                     IDC_SETTINGS_BROWSE, IDC_SETTINGS_TITLE_ENABLE, IDC_SETTINGS_TITLE_TEXT,
                                     IDC_SETTINGS_TITLE_POS, IDC_SETTINGS_TITLE_COLOUR, IDC_SETTINGS_TITLE_SIZE,
                                     IDC_SETTINGS_TITLE_TYPE, IDOK, IDCANCEL}));
}
