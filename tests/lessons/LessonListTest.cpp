#include "lessons/LessonActions.h"
#include "lessons/LessonList.h"

#include "framework/Shell.h"
#include "framework/Text.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace {
// A save folder with lessons made the way a recording leaves them.
struct SaveFolder {
  TempDir dir;
  const std::string& Path() const { return dir.Path(); }

  void AddLesson(const std::string& name, const char* duration, const std::string& subject = "") {
    std::string folder = dir / name;
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\html").c_str(), nullptr);
    WriteFileBytes(folder + "\\index.htm", "<html></html>");
    WriteFileBytes(folder + "\\html\\subject.txt", subject);
    if (duration) {
      WritePrivateProfileStringA("TimeInfo", "time", duration, (folder + "\\html\\time.ini").c_str());
    }
  }
};

// The main window's list view and subject panel, in a window of their own.
class ListWindow {
public:
  ListWindow() {
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    frame_ = CreateWindowExA(0, "STATIC", "lessons", WS_OVERLAPPEDWINDOW, 0, 0, 500, 400, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    list_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_SMALLICON, 0, 0, 480,
                            300, frame_, nullptr, GetModuleHandleA(nullptr), nullptr);
    panel_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 300, 480, 60, frame_,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~ListWindow() { DestroyWindow(frame_); }

  HWND List() const { return list_; }
  HWND Panel() const { return panel_; }
  HWND Frame() const { return frame_; }

  int Count() const { return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }
  std::string RowText(int row) const {
    char buffer[260] = {};
    LVITEMA item{};
    item.iSubItem = 0;
    item.pszText = buffer;
    item.cchTextMax = sizeof(buffer);
    SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
  }
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (int i = 0; i < Count(); ++i) rows.push_back(RowText(i));
    return rows;
  }
  int RowOf(const std::string& dateAndTime) const {
    for (int i = 0; i < Count(); ++i)
      if (RowText(i).find(dateAndTime) != std::string::npos) return i;
    return -1;
  }
  // Selects one row, as a click does.
  void Select(int row) {
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  std::string PanelText() const {
    char buffer[1024] = {};
    GetWindowTextA(panel_, buffer, sizeof(buffer));
    return buffer;
  }

private:
  HWND frame_, list_, panel_;
};

// Records what would have been handed to the shell.
struct ShellRecorder {
  struct Call { HWND owner; std::string verb, file; int show; };
  std::vector<Call> calls;
  ShellExecuteHandler previous;
  ShellRecorder() {
    previous = SetShellExecuteHandler([this](HWND owner, const std::string& verb, const std::string& file,
                                             const std::string&, const std::string&, int show) {
      calls.push_back({owner, verb, file, show});
      return static_cast<INT_PTR>(42);
    });
  }
  ~ShellRecorder() { SetShellExecuteHandler(previous); }
};
}  // namespace

TEST(LessonRow, TextFollowsTheFixedFormat) {
  EXPECT_EQ(LessonRowText(3, {"20110729143005", "00:12:07"}), "03. 会议(20110729 14:30:05)00:12:07");
  EXPECT_EQ(LessonRowText(1, {"20110729143005", ""}), "01. 会议(20110729 14:30:05)");
  EXPECT_EQ(LessonRowText(100, {"20110729143005", "123:00:01"}), "100. 会议(20110729 14:30:05)123:00:01");
  // A folder with an unexpected name is listed with what its name has.
  EXPECT_EQ(LessonRowText(2, {"old", ""}), "02. 会议(old ::)");
}

TEST(LessonList, ListsOnlyFoldersWithACoursePage) {
  SaveFolder save;
  save.AddLesson("20110729143005", "00:12:07");
  save.AddLesson("20110730090000", nullptr);
  CreateDirectoryA((save.dir / "template").c_str(), nullptr);    // no index.htm
  CreateDirectoryA((save.dir / "20110731080000").c_str(), nullptr);  // half-created lesson
  WriteFileBytes(save.dir / "subject.txt", "next");
  WriteFileBytes(save.dir / "index.htm", "a page, but a file");

  ListWindow window;
  LessonList rows;
  rows.Fill(window.List(), save.Path());
  ASSERT_EQ(window.Count(), 2);
  std::vector<std::string> texts = window.Rows();
  std::vector<std::string> bodies;
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(texts[i].substr(0, 4), Format("%02d. ", static_cast<int>(i + 1)));
    bodies.push_back(texts[i].substr(4));
  }
  std::sort(bodies.begin(), bodies.end());
  EXPECT_EQ(bodies, (std::vector<std::string>{"会议(20110729 14:30:05)00:12:07", "会议(20110730 09:00:00)"}));
}

TEST(LessonList, RefreshRenumbersFromOneAndFollowsTheDisk) {
  SaveFolder save;
  save.AddLesson("20110729143005", "00:12:07");
  ListWindow window;
  LessonList rows;
  rows.Fill(window.List(), save.Path());
  ASSERT_EQ(window.Count(), 1);
  save.AddLesson("20110801100000", "01:00:00");
  rows.Fill(window.List(), save.Path());
  ASSERT_EQ(window.Count(), 2);
  EXPECT_EQ(window.RowText(0).substr(0, 4), "01. ");
  EXPECT_EQ(window.RowText(1).substr(0, 4), "02. ");
  EXPECT_EQ(rows.FolderNames().size(), 2u);

  // A missing save folder gives an empty list.
  rows.Fill(window.List(), save.dir / "gone");
  EXPECT_EQ(window.Count(), 0);
  EXPECT_TRUE(rows.FolderNames().empty());
}

TEST(LessonList, NumbersPass99WithThreeDigits) {
  SaveFolder save;
  for (int i = 0; i < 101; ++i) save.AddLesson(Format("201107291%05d", i), "00:00:01");
  ListWindow window;
  LessonList rows;
  rows.Fill(window.List(), save.Path());
  ASSERT_EQ(window.Count(), 101);
  EXPECT_EQ(window.RowText(98).substr(0, 4), "99. ");
  EXPECT_EQ(window.RowText(99).substr(0, 5), "100. ");
  EXPECT_EQ(window.RowText(100).substr(0, 5), "101. ");
}

TEST(LessonList, EveryRowFindsItsFolderWhateverItsTimeLooksLike) {
  SaveFolder save;
  save.AddLesson("20110729143005", "00:12:07", "有时长");
  save.AddLesson("20110730090000", nullptr, "没有时长");
  save.AddLesson("20110731080000", "123:04:05", "很长");
  save.AddLesson("20110801070000", "-1:-2:-3", "时钟回拨");
  ListWindow window;
  LessonList rows;
  rows.Fill(window.List(), save.Path());
  ASSERT_EQ(window.Count(), 4);
  const struct { const char* when; const char* folder; } lessons[] = {
      {"20110729 14:30:05", "20110729143005"}, {"20110730 09:00:00", "20110730090000"},
      {"20110731 08:00:00", "20110731080000"}, {"20110801 07:00:00", "20110801070000"}};
  for (const auto& lesson : lessons) {
    int row = window.RowOf(lesson.when);
    ASSERT_GE(row, 0) << lesson.when;
    window.Select(row);
    EXPECT_EQ(rows.SelectedFolderName(window.List()), lesson.folder);
  }
}

TEST(LessonActions, AClickShowsTheLessonsSubjectAndMakesItCurrent) {
  SaveFolder save;
  save.AddLesson("20110730090000", nullptr, "第二课<br>主讲&nbsp;&nbsp;李老师");
  ListWindow window;
  LessonList rows;
  rows.Fill(window.List(), save.Path());
  std::string current = "before", selected = "before";

  EXPECT_FALSE(ShowLessonSubject(window.List(), rows, save.Path(), window.Panel(), current, selected));
  EXPECT_EQ(current, "before");

  window.Select(0);
  EXPECT_TRUE(ShowLessonSubject(window.List(), rows, save.Path(), window.Panel(), current, selected));
  EXPECT_EQ(current, save.dir / "20110730090000\\html\\subject.txt");
  EXPECT_EQ(selected, save.dir / "20110730090000");
  EXPECT_EQ(window.PanelText(), "第二课\r\n主讲  李老师");
}

TEST(LessonActions, AClickOnALessonWithoutSubjectFileCreatesItEmpty) {
  SaveFolder save;
  save.AddLesson("20110730090000", "00:00:10");
  std::string subject = save.dir / "20110730090000\\html\\subject.txt";
  DeleteFileA(subject.c_str());
  ListWindow window;
  SetWindowTextA(window.Panel(), "an older subject");
  LessonList rows;
  rows.Fill(window.List(), save.Path());
  window.Select(0);
  std::string current, selected;
  EXPECT_TRUE(ShowLessonSubject(window.List(), rows, save.Path(), window.Panel(), current, selected));
  EXPECT_EQ(window.PanelText(), "");
  EXPECT_NE(GetFileAttributesA(subject.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadFileBytes(subject), "");
}

TEST(LessonActions, ADoubleClickOpensTheLessonsPage) {
  SaveFolder save;
  save.AddLesson("20110730090000", nullptr);
  ListWindow window;
  LessonList rows;
  rows.Fill(window.List(), save.Path());
  ShellRecorder shell;

  EXPECT_FALSE(OpenLessonPage(window.List(), rows, save.Path(), window.Frame()));
  EXPECT_TRUE(shell.calls.empty());

  window.Select(0);
  EXPECT_TRUE(OpenLessonPage(window.List(), rows, save.Path(), window.Frame()));
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].owner, window.Frame());
  EXPECT_EQ(shell.calls[0].verb, "open");
  EXPECT_EQ(shell.calls[0].file, save.dir / "20110730090000\\index.htm");
  EXPECT_EQ(shell.calls[0].show, SW_SHOW);
}

TEST(LessonActions, StartUpSubjectComesFromTheTemplateOnlyWhenMissing) {
  TempDir program;
  CreateDirectoryA((program / "template").c_str(), nullptr);
  CreateDirectoryA((program / "template\\html").c_str(), nullptr);
  WriteFileBytes(program / "template\\html\\subject.txt", "请填写主题<br>主讲：");
  SaveFolder save;
  ListWindow window;

  std::string path = ShowStartupSubject(window.Panel(), save.Path(), program.Path() + "\\");
  EXPECT_EQ(path, save.dir / "subject.txt");
  EXPECT_EQ(ReadFileBytes(path), "请填写主题<br>主讲：");
  EXPECT_EQ(window.PanelText(), "请填写主题\r\n主讲：");

  WriteFileBytes(path, "已有&nbsp;主题");
  EXPECT_EQ(ShowStartupSubject(window.Panel(), save.Path(), program.Path() + "\\"), path);
  EXPECT_EQ(window.PanelText(), "已有 主题");
}

TEST(LessonActions, StartUpWithoutTemplateCreatesAnEmptySubject) {
  TempDir program;
  SaveFolder save;
  ListWindow window;
  SetWindowTextA(window.Panel(), "stale");
  std::string path = ShowStartupSubject(window.Panel(), save.Path(), program.Path() + "\\");
  EXPECT_EQ(window.PanelText(), "");
  EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}
