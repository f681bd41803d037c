#include "lessons/SubjectEditDialog.h"

#include "lessons/SubjectFile.h"
#include "resources/resource.h"

#include <utility>

SubjectEditDialog::SubjectEditDialog(std::string path, HWND parent)
    : Dialog(IDD_SUBJECT_EDIT, parent), subjectPath(std::move(path)) {}

BOOL SubjectEditDialog::OnInitDialog() {
  SetWindowTextA(hwnd_, "编辑");
  editedText = ReadSubject(subjectPath);
  // The edit control's default limit (32767 characters) would stop typing in a long subject.
  SendDlgItemMessageA(hwnd_, IDC_SUBJECT_TEXT, EM_SETLIMITTEXT, 0, 0);
  SetItemText(IDC_SUBJECT_TEXT, editedText);
  okButton_.SubclassDlgItem(IDOK, hwnd_);
  okButton_.LoadBitmaps(IDB_OK_NORMAL, IDB_OK_PRESSED, IDB_OK_HOVER, 0);
  cancelButton_.SubclassDlgItem(IDCANCEL, hwnd_);
  cancelButton_.LoadBitmaps(IDB_CANCEL_NORMAL, IDB_CANCEL_PRESSED, IDB_CANCEL_HOVER, 0);
  return TRUE;
}

void SubjectEditDialog::OnOK() {
  editedText = GetItemText(IDC_SUBJECT_TEXT);
  // A failed save keeps the old file whole; the panel shows what is stored afterwards.
  SaveSubject(subjectPath, editedText);
  EndDialog(IDOK);
}

BOOL SubjectEditDialog::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN) {
    if (msg->wParam == VK_ESCAPE) return TRUE;
    if (msg->wParam == VK_RETURN && GetFocus() == Item(IDOK)) return TRUE;
  }
  return Dialog::PreTranslateMessage(msg);
}
