#include "lessons/SettingsDialog.h"

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
