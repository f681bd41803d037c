#include "app/Help.h"

#include "framework/Shell.h"

#include <gtest/gtest.h>

TEST(Help, LanguageChoosesTheFile) {
  EXPECT_EQ(HelpFilePath("C:\\Prog\\", 0), "C:\\Prog\\Lumora_zh.CHM");
  EXPECT_EQ(HelpFilePath("C:\\Prog\\", 1), "C:\\Prog\\Lumora_en.CHM");
  EXPECT_EQ(HelpFilePath("C:\\Prog\\", 7), "");
  EXPECT_EQ(HelpFilePath("C:\\Prog\\", -1), "");
}

TEST(Help, OpeningGoesToTheShellMaximisedWithoutWaiting) {
  std::vector<std::string> opened;
  ShellExecuteHandler previous = SetShellExecuteHandler(
      [&](HWND, const std::string& verb, const std::string& file, const std::string&, const std::string&,
          int show) -> INT_PTR {
        EXPECT_EQ(verb, "open");
        EXPECT_EQ(show, SW_SHOWMAXIMIZED);
        opened.push_back(file);
        return 2;  // not found: nothing is reported
      });
  OpenHelpFile(nullptr, "C:\\Prog\\", 1);
  OpenHelpFile(nullptr, "C:\\Prog\\", 7);
  SetShellExecuteHandler(std::move(previous));
  EXPECT_EQ(opened, (std::vector<std::string>{"C:\\Prog\\Lumora_en.CHM"}));
}
