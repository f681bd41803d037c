// The settings dialog (dialog 130, "设置"): camera, microphone, save folder and the title burnt
// into the camera recording. The main window fills its members before it runs and takes them
// back after OK.
#pragma once
#include "controls/SkinButton.h"
#include "framework/Dialog.h"

#include <string>

class SettingsDialog : public Dialog {
public:
  explicit SettingsDialog(HWND parent = nullptr);

  HICON icon = nullptr;
  // Passed through unchanged.
  int FileFormat = 1;
  // The title section: shown, and taken back from the controls on OK.
  int OverlayType = 0;
  std::string OverlayText;
  std::string OverlayPos;
  int OverlayFontSize = 0;
  std::string OverlayFontColor;
  // Set when either device list changes its selection.
  int devicesChanged = 0;
  // Selections of the two lists; -1 when nothing is selected at OK.
  int videoIndex = 0;
  int audioIndex = 0;
  // The save folder, changed only through the folder browser.
  std::string location;
  // Folder of Setup.ini, ending in a backslash.
  std::string programFolder;
  std::string skinFileName;
  int skinChanged = 0;
  int language = 0;
  // The title check box; written to Setup.ini on OK.
  int EnableTitle = 0;

  // Takes a folder picked in the browser; an empty path is refused with a message.
  void ApplyBrowsedFolder(const std::string& path);

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

private:
  // Fills both device lists; false when the device lists could not be filled completely.
  bool FillDeviceLists();
  void Browse();
  void ShowTitleSettings();
  void TakeTitleSettings();
  // The title's controls are usable only while the check box is ticked.
  void EnableTitleControls();

  CSkinButton pictureButton_;
  CSkinButton okButton_;
  CSkinButton cancelButton_;
};
