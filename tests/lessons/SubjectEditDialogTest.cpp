#include "lessons/SubjectEditDialog.h"
#include "lessons/LessonActions.h"

#include "resources/resource.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {
std::string WindowText(HWND hwnd) {
  char buffer[1024] = {};
  GetWindowTextA(hwnd, buffer, sizeof(buffer));
  return buffer;
}

MSG KeyDown(HWND target, WPARAM key) {
  MSG msg{};
  msg.hwnd = target;
  msg.message = WM_KEYDOWN;
  msg.wParam = key;
  msg.lParam = 1;
  return msg;
}

// Delivers the queued messages the way the modal loop does.
void Pump(SubjectEditDialog& dialog) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!dialog.PreTranslateMessage(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

// An open editor over a subject file.
struct OpenEditor {
  TempDir dir;
  std::string path = dir / "subject.txt";
  SubjectEditDialog dialog{path, nullptr};
  explicit OpenEditor(const std::string& stored) {
    WriteFileBytes(path, stored);
    EXPECT_TRUE(dialog.Create());
    ShowWindow(dialog.Handle(), SW_SHOW);
  }
  HWND Edit() const { return dialog.Item(IDC_SUBJECT_TEXT); }
};
}  // namespace

TEST(SubjectEditDialog, ShowsTheSubjectAsText) {
  OpenEditor editor("第一课<br>主讲&nbsp;&nbsp;王老师");
  EXPECT_EQ(WindowText(editor.dialog.Handle()), "编辑");
  EXPECT_EQ(editor.dialog.GetItemText(IDC_SUBJECT_TEXT), "第一课\r\n主讲  王老师");
  auto* ok = dynamic_cast<CSkinButton*>(Window::FromHandle(editor.dialog.Item(IDOK)));
  auto* cancel = dynamic_cast<CSkinButton*>(Window::FromHandle(editor.dialog.Item(IDCANCEL)));
  ASSERT_NE(ok, nullptr);
  ASSERT_NE(cancel, nullptr);
  EXPECT_TRUE(ok->HasBitmap(CSkinButton::Normal));
  EXPECT_TRUE(cancel->HasBitmap(CSkinButton::Hover));
}

TEST(SubjectEditDialog, OkStoresTheEditedTextInFileForm) {
  OpenEditor editor("old");
  editor.dialog.SetItemText(IDC_SUBJECT_TEXT, "新 主题\r\n第二行");
  SendMessageA(editor.dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(editor.dialog.Item(IDOK)));
  EXPECT_TRUE(editor.dialog.Ended());
  EXPECT_EQ(editor.dialog.Result(), IDOK);
  EXPECT_EQ(editor.dialog.editedText, "新 主题\r\n第二行");
  EXPECT_EQ(ReadFileBytes(editor.path), "新&nbsp;主题<br>第二行");
}

TEST(SubjectEditDialog, CancelAndTheCloseBoxLeaveTheFileAlone) {
  OpenEditor editor("old&nbsp;text");
  editor.dialog.SetItemText(IDC_SUBJECT_TEXT, "changed");
  SendMessageA(editor.dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(editor.dialog.Item(IDCANCEL)));
  EXPECT_TRUE(editor.dialog.Ended());
  EXPECT_EQ(editor.dialog.Result(), IDCANCEL);
  EXPECT_EQ(ReadFileBytes(editor.path), "old&nbsp;text");

  OpenEditor closed("kept");
  closed.dialog.SetItemText(IDC_SUBJECT_TEXT, "changed");
  SendMessageA(closed.dialog.Handle(), WM_CLOSE, 0, 0);
  Pump(closed.dialog);  // the close box turns into a posted IDCANCEL
  EXPECT_TRUE(closed.dialog.Ended());
  EXPECT_EQ(ReadFileBytes(closed.path), "kept");
}

TEST(SubjectEditDialog, EscapeIsSwallowed) {
  OpenEditor editor("old");
  SetFocus(editor.Edit());
  MSG escape = KeyDown(editor.Edit(), VK_ESCAPE);
  EXPECT_TRUE(editor.dialog.PreTranslateMessage(&escape));
  Pump(editor.dialog);
  EXPECT_FALSE(editor.dialog.Ended());
}

TEST(SubjectEditDialog, EnterStartsANewLineInTheEditAndIsSwallowedOnOk) {
  OpenEditor editor("ab");
  SetFocus(editor.Edit());
  SendMessageA(editor.Edit(), EM_SETSEL, 1, 1);
  MSG enter = KeyDown(editor.Edit(), VK_RETURN);
  if (!editor.dialog.PreTranslateMessage(&enter)) {
    TranslateMessage(&enter);
    DispatchMessageA(&enter);
  }
  Pump(editor.dialog);
  EXPECT_FALSE(editor.dialog.Ended());
  EXPECT_EQ(editor.dialog.GetItemText(IDC_SUBJECT_TEXT), "a\r\nb");

  SetFocus(editor.dialog.Item(IDOK));
  MSG enterOnOk = KeyDown(editor.dialog.Item(IDOK), VK_RETURN);
  EXPECT_TRUE(editor.dialog.PreTranslateMessage(&enterOnOk));
  Pump(editor.dialog);
  EXPECT_FALSE(editor.dialog.Ended());
  EXPECT_EQ(ReadFileBytes(editor.path), "ab");
}

namespace {
std::string typedSubject;

// Plays the teacher: types into the open editor and presses OK.
void CALLBACK TypeAndConfirm(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND editor = FindWindowA(nullptr, "编辑");
  if (!editor) return;
  KillTimer(nullptr, timer);
  SetDlgItemTextA(editor, IDC_SUBJECT_TEXT, typedSubject.c_str());
  PostMessageA(editor, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(editor, IDOK)));
}
}  // namespace

TEST(EditCommand, SavesAndThePanelShowsTheNewText) {
  TempDir dir;
  std::string path = dir / "subject.txt";
  WriteFileBytes(path, "old");
  HWND panel = CreateWindowExA(0, "STATIC", "old", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  typedSubject = "第三课  复习\r\n作业";
  SetTimer(nullptr, 0, 50, &TypeAndConfirm);
  EditCurrentSubject(nullptr, path, panel);
  EXPECT_EQ(ReadFileBytes(path), "第三课&nbsp;&nbsp;复习<br>作业");
  EXPECT_EQ(WindowText(panel), "第三课  复习\r\n作业");
  DestroyWindow(panel);
}
