#include "mainwnd/AboutDialog.h"

#include "resources/resource.h"

AboutDialog::AboutDialog(HWND parent) : Dialog(IDD_ABOUT, parent) {}

BOOL AboutDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  okButton.SubclassDlgItem(IDOK, hwnd_);
  okButton.LoadBitmaps(IDB_OK_NORMAL, IDB_OK_PRESSED, IDB_OK_HOVER, 0);
  webLink.Attach(IDC_ABOUT_WEB, hwnd_);
  mailLink.Attach(IDC_ABOUT_MAIL, hwnd_);
  // The links open what they show: the web address itself, the e-mail address as mailto:.
  webLink.SetTarget(GetItemText(IDC_ABOUT_WEB));
  mailLink.SetTarget("mailto:" + GetItemText(IDC_ABOUT_MAIL));
  return TRUE;
}
