#include "controls/LinkLabel.h"
#include "framework/Handles.h"
#include "framework/Shell.h"
#include "resources/resource.h"
#include "tests/controls/TestWindows.h"
#include "tests/support/MessageBoxRecorder.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {
constexpr int kLabelId = 4101;

struct OpenCall {
  std::string verb, file;
  int show;
};

// Records what the shell would have opened and answers with a chosen result code.
class ShellRecorder {
public:
  explicit ShellRecorder(INT_PTR shellResult, UINT commandResult = 33)
      : shellResult_(shellResult), commandResult_(commandResult) {
    previousShell_ = SetShellExecuteHandler([this](HWND, const std::string& verb, const std::string& file,
                                                   const std::string&, const std::string&, int show) {
      opened.push_back({verb, file, show});
      return shellResult_;
    });
    previousCommand_ = SetRunCommandHandler([this](const std::string& commandLine, int) {
      commandLines.push_back(commandLine);
      return commandResult_;
    });
  }
  ~ShellRecorder() {
    SetShellExecuteHandler(std::move(previousShell_));
    SetRunCommandHandler(std::move(previousCommand_));
  }
  std::vector<OpenCall> opened;
  std::vector<std::string> commandLines;

private:
  INT_PTR shellResult_;
  UINT commandResult_;
  ShellExecuteHandler previousShell_;
  RunCommandHandler previousCommand_;
};

// A static control on the host dialog, attached as a link when the dialog initialises.
class LinkLabelTest : public ::testing::Test {
protected:
  void Make(const char* text, DWORD style, int width = 200, int height = 30) {
    dialog.onInit = [=] {
      HWND hwnd = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | style, 20, 40, width, height,
                                  dialog.Handle(), reinterpret_cast<HMENU>(kLabelId), nullptr, nullptr);
      SendMessageA(hwnd, WM_SETFONT, SendMessageA(dialog.Handle(), WM_GETFONT, 0, 0), FALSE);
    };
    ASSERT_TRUE(dialog.Create());
  }
  void TearDown() override {
    ReleaseCapture();
    dialog.Destroy();
  }
  HWND Label() const { return GetDlgItem(dialog.Handle(), kLabelId); }
  RECT PlaceInDialog() const {
    RECT rect;
    GetWindowRect(Label(), &rect);
    MapWindowPoints(nullptr, dialog.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  SIZE TextSize(const char* text) const {
    WindowDC dc(Label());
    SelectGuard font(dc.Get(), reinterpret_cast<HFONT>(SendMessageA(Label(), WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc.Get(), text, lstrlenA(text), &size);
    return size;
  }
  std::string TooltipText() const {
    char text[256] = {};
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.hwnd = Label();
    info.uId = 1;
    info.lpszText = text;
    SendMessageA(link.Tooltip(), TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&info));
    return text;
  }
  COLORREF ColourGivenByDialog(LRESULT* brush = nullptr) const {
    MemoryDC dc(nullptr);
    LRESULT result = SendMessageA(dialog.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                                  reinterpret_cast<LPARAM>(Label()));
    if (brush) *brush = result;
    EXPECT_EQ(GetBkMode(dc.Get()), TRANSPARENT);
    return GetTextColor(dc.Get());
  }
  void Click() {
    SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(kLabelId, STN_CLICKED), reinterpret_cast<LPARAM>(Label()));
  }

  HostDialog dialog;
  CLinkLabel link;
};
}  // namespace

TEST_F(LinkLabelTest, AttachingTakesTheTextAsTargetAndPreparesTheControl) {
  Make("http://www.lumora.example.org/", SS_LEFT);
  ASSERT_TRUE(link.Attach(kLabelId, dialog.Handle()));
  EXPECT_EQ(link.Target(), "http://www.lumora.example.org/");
  EXPECT_TRUE(GetWindowLongA(Label(), GWL_STYLE) & SS_NOTIFY);
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Label(), WM_GETFONT, 0, 0)), sizeof(font), &font);
  EXPECT_TRUE(font.lfUnderline);
  EXPECT_NE(link.Cursor(), nullptr);
  ASSERT_NE(link.Tooltip(), nullptr);
  EXPECT_EQ(TooltipText(), "http://www.lumora.example.org/");
  // The control shrank to its text.
  RECT place = PlaceInDialog();
  EXPECT_EQ(place.right - place.left, TextSize("http://www.lumora.example.org/").cx);

  link.SetTarget("mailto:support@lumora.example.org");
  EXPECT_EQ(TooltipText(), "mailto:support@lumora.example.org");
}

TEST_F(LinkLabelTest, AnEmptyControlShowsItsPresetTarget) {
  Make("", SS_LEFT);
  link.SetTarget("http://preset.example.org/");
  ASSERT_TRUE(link.Attach(kLabelId, dialog.Handle()));
  char text[64] = {};
  GetWindowTextA(Label(), text, sizeof(text));
  EXPECT_STREQ(text, "http://preset.example.org/");
}

TEST_F(LinkLabelTest, FitToTextKeepsTheAlignmentOfItsStyle) {
  const char* text = "Lumora";
  Make(text, SS_CENTER);
  ASSERT_TRUE(link.Attach(kLabelId, dialog.Handle()));
  LONG width = TextSize(text).cx, height = TextSize(text).cy;
  RECT centred = PlaceInDialog();
  EXPECT_EQ(centred.right - centred.left, width);
  EXPECT_EQ(centred.left, 20 + (200 - width) / 2);
  EXPECT_EQ(centred.top, 40);
  EXPECT_EQ(centred.bottom - centred.top, height);

  // Right alignment keeps the right edge; a centred image shrinks from top and bottom alike.
  SetWindowLongA(Label(), GWL_STYLE, (GetWindowLongA(Label(), GWL_STYLE) & ~SS_TYPEMASK) | SS_RIGHT | SS_CENTERIMAGE);
  MoveWindow(Label(), 20, 40, 200, 30, FALSE);
  link.FitToText();
  RECT right = PlaceInDialog();
  EXPECT_EQ(right.right, 220);
  EXPECT_EQ(right.left, 220 - width);
  EXPECT_EQ(right.top, 40 + (30 - height) / 2);
  EXPECT_EQ(right.bottom - right.top, height);

  link.fitToText = false;
  MoveWindow(Label(), 20, 40, 200, 30, FALSE);
  link.FitToText();
  EXPECT_EQ(PlaceInDialog().right, 220);
}

TEST_F(LinkLabelTest, ColoursFollowHoverAndVisited) {
  Make("http://www.lumora.example.org/", SS_LEFT);
  ASSERT_TRUE(link.Attach(kLabelId, dialog.Handle()));
  LRESULT brush = 0;
  EXPECT_EQ(ColourGivenByDialog(&brush), RGB(0, 0, 128));
  EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));

  SendMouse(Label(), WM_MOUSEMOVE, 2, 2, 0);
  EXPECT_TRUE(link.OverControl());
  EXPECT_EQ(GetCapture(), Label());
  EXPECT_EQ(ColourGivenByDialog(), GetSysColor(COLOR_HIGHLIGHT));

  SendMouse(Label(), WM_MOUSEMOVE, -5, 2, 0);
  EXPECT_FALSE(link.OverControl());
  EXPECT_NE(GetCapture(), Label());

  link.SetVisited(true);
  EXPECT_EQ(ColourGivenByDialog(), RGB(85, 26, 139));
}

TEST_F(LinkLabelTest, ASuccessfulClickOpensTheTargetAndMarksItVisited) {
  Make("http://www.lumora.example.org/", SS_LEFT);
  ASSERT_TRUE(link.Attach(kLabelId, dialog.Handle()));
  ShellRecorder shell(42);
  MessageBoxRecorder boxes;
  Click();
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0].verb, "open");
  EXPECT_EQ(shell.opened[0].file, "http://www.lumora.example.org/");
  EXPECT_EQ(shell.opened[0].show, SW_SHOW);
  EXPECT_TRUE(shell.commandLines.empty());
  EXPECT_TRUE(link.Visited());
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_TRUE(dialog.commands.empty());
}

TEST_F(LinkLabelTest, AFailedClickClearsVisitedAndReportsTheCode) {
  Make("http://www.lumora.example.org/", SS_LEFT);
  ASSERT_TRUE(link.Attach(kLabelId, dialog.Handle()));
  link.SetVisited(true);
  MessageBoxRecorder boxes;
  {
    // Neither the shell nor a registered browser command: nothing to run.
    ShellRecorder shell(SE_ERR_SHARE, 0);
    RegistryKey probe;
    bool hasPageCommand = RegOpenKeyExA(HKEY_CLASSES_ROOT, ".htm", 0, KEY_READ, probe.Out()) == ERROR_SUCCESS;
    Click();
    if (!hasPageCommand) {
      ASSERT_EQ(boxes.Texts().size(), 1u);
      EXPECT_EQ(boxes.Texts()[0], "Unable to open hyperlink:\n\nA sharing violation occurred. ");
    } else {
      ASSERT_EQ(shell.commandLines.size(), 1u);
      ASSERT_EQ(boxes.Texts().size(), 1u);
      EXPECT_EQ(boxes.Texts()[0], "Unable to open hyperlink:\n\nThe operating system is out\nof memory or resources.");
    }
  }
  EXPECT_FALSE(link.Visited());
  EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
}

TEST(LinkLabelOpen, RegisteredCommandCutsAtThePlaceholder) {
  EXPECT_EQ(RegisteredCommandFor("\"C:\\Browser\\view.exe\" \"%1\"", "http://a.example.org/"),
            "\"C:\\Browser\\view.exe\"  http://a.example.org/");
  EXPECT_EQ(RegisteredCommandFor("C:\\Browser\\view.exe -nohome %1 -x", "http://a.example.org/"),
            "C:\\Browser\\view.exe -nohome  http://a.example.org/");
  EXPECT_EQ(RegisteredCommandFor("C:\\Browser\\view.exe", "mailto:x@example.org"),
            "C:\\Browser\\view.exe mailto:x@example.org");
}

TEST(LinkLabelOpen, ErrorTextsCarryThePrefix) {
  EXPECT_EQ(OpenErrorText(26), "Unable to open hyperlink:\n\nA sharing violation occurred. ");
  EXPECT_EQ(OpenErrorText(31),
            "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.");
  EXPECT_EQ(OpenErrorText(11),
            "Unable to open hyperlink:\n\nThe .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
  EXPECT_EQ(OpenErrorText(4), "Unable to open hyperlink:\n\nUnknown Error (4) occurred.");
  EXPECT_EQ(OpenErrorText(-7), "Unable to open hyperlink:\n\nUnknown Error (-7) occurred.");
  MessageBoxRecorder boxes;
  CLinkLabel::ShowOpenError(2);
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0], "Unable to open hyperlink:\n\nThe specified file was not found.");
}

// Points ".htm" at a page class of the test's own for as long as it lives, then restores it.
class RegisteredPageCommand {
public:
  explicit RegisteredPageCommand(const std::string& command) {
    RegistryKey htm;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ".htm", 0, KEY_READ, htm.Out()) == ERROR_SUCCESS) {
      char value[MAX_PATH] = {};
      LONG size = sizeof(value);
      hadClass_ = RegQueryValueA(HKEY_CLASSES_ROOT, ".htm", value, &size) == ERROR_SUCCESS;
      previousClass_ = value;
    }
    RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, "LumoraTestPage", 0);
    RegSetValueA(HKEY_CLASSES_ROOT, "LumoraTestPage\\shell\\open\\command", REG_SZ, command.c_str(), 0);
  }
  ~RegisteredPageCommand() {
    if (hadClass_) {
      RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, previousClass_.c_str(), 0);
    } else {
      RegDeleteKeyA(HKEY_CLASSES_ROOT, ".htm");
    }
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "LumoraTestPage\\shell\\open\\command");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "LumoraTestPage\\shell\\open");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "LumoraTestPage\\shell");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "LumoraTestPage");
  }

private:
  bool hadClass_ = false;
  std::string previousClass_;
};

TEST(LinkLabelOpen, WhenTheShellFailsTheRegisteredBrowserRunsWithTwoBlanksBeforeTheTarget) {
  RegisteredPageCommand page("\"C:\\Program Files\\Viewer\\view.exe\" \"%1\"");
  ShellRecorder shell(SE_ERR_NOASSOC, 33);
  EXPECT_EQ(CLinkLabel::OpenTarget("http://www.lumora.example.org/", SW_SHOW), 33);
  ASSERT_EQ(shell.commandLines.size(), 1u);
  EXPECT_EQ(shell.commandLines[0], "\"C:\\Program Files\\Viewer\\view.exe\"  http://www.lumora.example.org/");

  // A shell success never reaches the registry.
  ShellRecorder working(42);
  EXPECT_EQ(CLinkLabel::OpenTarget("http://www.lumora.example.org/", SW_SHOW), 42);
  EXPECT_TRUE(working.commandLines.empty());
}
