#include "lessons/SettingsDialog.h"

#include "app/TitleSettings.h"
#include "capture/CaptureDevices.h"
#include "capture/ComFactory.h"
#include "framework/MessageBox.h"
#include "framework/Text.h"
#include "resources/resource.h"

#include <shlobj.h>

namespace {
// A picture button's bitmaps (normal, pressed, hover) and its place in pixels.
struct ButtonLook {
  CSkinButton* button;
  int id;
  UINT normal, pressed, hover;
  int x, y, width, height;
};
}  // namespace

SettingsDialog::SettingsDialog(HWND parent) : Dialog(IDD_SETTINGS, parent) {
  icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_LUMORA));
  OnCommandCode(IDC_SETTINGS_VIDEO, CBN_SELCHANGE, [this] { devicesChanged = 1; });
  OnCommandCode(IDC_SETTINGS_AUDIO, CBN_SELCHANGE, [this] { devicesChanged = 1; });
  OnCommand(IDC_SETTINGS_BROWSE, [this] { Browse(); });
  OnCommandCode(IDC_SETTINGS_TITLE_ENABLE, BN_CLICKED, [this] { EnableTitleControls(); });
}

BOOL SettingsDialog::OnInitDialog() {
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  SetWindowTextA(hwnd_, "设置");
  SetItemText(IDC_SETTINGS_VIDEO_LABEL, "视频");
  SetItemText(IDC_SETTINGS_AUDIO_LABEL, "音频");
  SetItemText(IDC_SETTINGS_FOLDER_LABEL, "文件夹");
  const ButtonLook looks[] = {
      {&pictureButton_, IDC_SETTINGS_PICTURE, IDB_SETTINGS_PICTURE, IDB_SETTINGS_PICTURE_PRESSED,
       IDB_SETTINGS_PICTURE_PRESSED, 248, 28, 66, 59},
      {&okButton_, IDOK, IDB_OK_NORMAL, IDB_OK_PRESSED, IDB_OK_HOVER, 95, 152, 75, 21},
      {&cancelButton_, IDCANCEL, IDB_CANCEL_NORMAL, IDB_CANCEL_PRESSED, IDB_CANCEL_HOVER, 176, 152, 75, 21},
  };
  for (const ButtonLook& look : looks) {
    look.button->SubclassDlgItem(look.id, hwnd_);
    look.button->LoadBitmaps(look.normal, look.pressed, look.hover, 0);
    SetWindowPos(Item(look.id), nullptr, look.x, look.y, look.width, look.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  ShowTitleSettings();

  ComboReset(IDC_SETTINGS_VIDEO);
  ComboReset(IDC_SETTINGS_AUDIO);
  if (!FillDeviceLists()) return TRUE;
  ComboSetSel(IDC_SETTINGS_VIDEO, videoIndex);
  ComboSetSel(IDC_SETTINGS_AUDIO, audioIndex);
  SetItemText(IDC_SETTINGS_LOCATION, location);
  return TRUE;
}

namespace {
// What the lists show, in the order of the stored names (kOverlayPositions, kOverlayColours).
const char* const kPositionLabels[kOverlayPositionCount] = {"左上", "左下", "右上", "右下"};
const char* const kColourLabels[kOverlayColourCount] = {"白色", "红色", "黑色", "蓝色", "绿色"};
const char* const kTypeLabels[] = {"静止", "滚动"};
const int kTitleControls[] = {IDC_SETTINGS_TITLE_TEXT_LABEL, IDC_SETTINGS_TITLE_TEXT,
                              IDC_SETTINGS_TITLE_POS_LABEL,  IDC_SETTINGS_TITLE_POS,
                              IDC_SETTINGS_TITLE_COLOUR_LABEL, IDC_SETTINGS_TITLE_COLOUR,
                              IDC_SETTINGS_TITLE_SIZE_LABEL, IDC_SETTINGS_TITLE_SIZE,
                              IDC_SETTINGS_TITLE_TYPE_LABEL, IDC_SETTINGS_TITLE_TYPE};

int IndexOf(const std::string& name, const char* const* names, int count, int fallback) {
  for (int i = 0; i < count; ++i)
    if (name == names[i]) return i;
  return fallback;
}
}  // namespace

void SettingsDialog::ShowTitleSettings() {
  CheckDlgButton(hwnd_, IDC_SETTINGS_TITLE_ENABLE, EnableTitle ? BST_CHECKED : BST_UNCHECKED);
  SendDlgItemMessageA(hwnd_, IDC_SETTINGS_TITLE_TEXT, EM_LIMITTEXT, kMaxOverlayTextBytes, 0);
  SetItemText(IDC_SETTINGS_TITLE_TEXT, OverlayText);
  ComboReset(IDC_SETTINGS_TITLE_POS);
  for (const char* label : kPositionLabels) ComboAdd(IDC_SETTINGS_TITLE_POS, label);
  // Any other stored text places the title like "TopLeft".
  ComboSetSel(IDC_SETTINGS_TITLE_POS, IndexOf(OverlayPos, kOverlayPositions, kOverlayPositionCount, 0));
  ComboReset(IDC_SETTINGS_TITLE_COLOUR);
  for (const char* label : kColourLabels) ComboAdd(IDC_SETTINGS_TITLE_COLOUR, label);
  // Any other stored text draws white.
  ComboSetSel(IDC_SETTINGS_TITLE_COLOUR, IndexOf(OverlayFontColor, kOverlayColours, kOverlayColourCount, 0));
  SetItemText(IDC_SETTINGS_TITLE_SIZE, Format("%d", OverlayFontSize));
  ComboReset(IDC_SETTINGS_TITLE_TYPE);
  for (const char* label : kTypeLabels) ComboAdd(IDC_SETTINGS_TITLE_TYPE, label);
  ComboSetSel(IDC_SETTINGS_TITLE_TYPE, OverlayType == 1 ? 1 : 0);
  EnableTitleControls();
}

void SettingsDialog::EnableTitleControls() {
  bool on = IsDlgButtonChecked(hwnd_, IDC_SETTINGS_TITLE_ENABLE) == BST_CHECKED;
  for (int id : kTitleControls) EnableItem(id, on);
}

void SettingsDialog::TakeTitleSettings() {
  EnableTitle = IsDlgButtonChecked(hwnd_, IDC_SETTINGS_TITLE_ENABLE) == BST_CHECKED ? 1 : 0;
  // The edit limit counts characters; the stored title is at most 100 bytes, cut between them.
  OverlayText = CutAnsiText(GetItemText(IDC_SETTINGS_TITLE_TEXT), kMaxOverlayTextBytes);
  // An empty title would draw nothing and is not read back at the next start: the default stands.
  if (OverlayText.empty()) OverlayText = "Lumora";
  int position = ComboGetSel(IDC_SETTINGS_TITLE_POS);
  if (position >= 0) OverlayPos = kOverlayPositions[position];
  int colour = ComboGetSel(IDC_SETTINGS_TITLE_COLOUR);
  if (colour >= 0) OverlayFontColor = kOverlayColours[colour];
  int size = 0;
  // A size outside the range is brought into it; no number keeps the one shown at the start.
  if (ParseWholeInt(GetItemText(IDC_SETTINGS_TITLE_SIZE), &size))
    OverlayFontSize = size < kMinOverlayFontSize ? kMinOverlayFontSize
                                                 : size > kMaxOverlayFontSize ? kMaxOverlayFontSize : size;
  OverlayType = ComboGetSel(IDC_SETTINGS_TITLE_TYPE) == 1 ? 1 : 0;
}

bool SettingsDialog::FillDeviceLists() {
  ComPtr<ICreateDevEnum> enumerator;
  if (FAILED(CreateComObject(CLSID_SystemDeviceEnum, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                             enumerator.OutVoid())) || !enumerator) {
    return false;
  }
  for (const std::string& name : ReadableDeviceNames(enumerator.Get(), DeviceKind::Video)) {
    ComboAdd(IDC_SETTINGS_VIDEO, name);
  }
  std::vector<std::string> microphones = ReadableDeviceNames(enumerator.Get(), DeviceKind::Audio);
  for (const std::string& name : microphones) ComboAdd(IDC_SETTINGS_AUDIO, name);
  return !microphones.empty();
}

void SettingsDialog::Browse() {
  BROWSEINFOA info{};
  info.hwndOwner = hwnd_;
  info.lpszTitle = "选择文件夹";
  info.ulFlags = BIF_NEWDIALOGSTYLE;
  LPITEMIDLIST picked = SHBrowseForFolderA(&info);
  if (!picked) return;
  char path[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(picked, path)) path[0] = '\0';
  CoTaskMemFree(picked);
  ApplyBrowsedFolder(path);
}

void SettingsDialog::ApplyBrowsedFolder(const std::string& path) {
  if (path.empty()) {
    AppMessageBox("Selected Dir is NOT Correct,Please select again!");
    return;
  }
  location = path;
  SetItemText(IDC_SETTINGS_LOCATION, location);
}

void SettingsDialog::OnOK() {
  videoIndex = ComboGetSel(IDC_SETTINGS_VIDEO);
  audioIndex = ComboGetSel(IDC_SETTINGS_AUDIO);
  TakeTitleSettings();
  WritePrivateProfileStringA("Setup", "EnableTitle", Format("%d", EnableTitle).c_str(),
                             Format("%s\\Setup.ini", programFolder.c_str()).c_str());
  EndDialog(IDOK);
}
