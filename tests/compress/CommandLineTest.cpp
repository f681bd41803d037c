#include "tools/compress/CommandLine.h"

#include <gtest/gtest.h>

namespace {
std::vector<std::wstring> ArgumentsOf(const std::wstring& line) {
  std::vector<std::wstring> all = SplitCommandLine(L"compress.exe " + line);
  all.erase(all.begin());
  return all;
}

using Args = std::vector<std::wstring>;
}  // namespace

// The examples of Microsoft's documentation of the C runtime's argument parsing.
TEST(SplitCommandLine, FollowsTheDocumentedWindowsRules) {
  const struct { const wchar_t* line; Args expected; } cases[] = {
      {LR"("abc" d e)", {L"abc", L"d", L"e"}},
      {LR"(a\\b d"e f"g h)", {LR"(a\\b)", L"de fg", L"h"}},
      {LR"(a\\\"b c d)", {LR"(a\"b)", L"c", L"d"}},
      {LR"(a\\\\"b c" d e)", {LR"(a\\b c)", L"d", L"e"}},
      {LR"(a"b"" c d)", {LR"(ab" c d)"}},
  };
  for (const auto& c : cases) EXPECT_EQ(ArgumentsOf(c.line), c.expected) << c.line;
}

TEST(SplitCommandLine, BlanksQuotesAndEmptyArguments) {
  EXPECT_EQ(ArgumentsOf(L"  a\t\tb   "), (Args{L"a", L"b"}));
  EXPECT_EQ(ArgumentsOf(LR"("" x)"), (Args{L"", L"x"}));
  EXPECT_EQ(ArgumentsOf(LR"("unterminated quote)"), (Args{L"unterminated quote"}));
  // Backslashes not followed by a quote are kept, as in every Windows path.
  EXPECT_EQ(ArgumentsOf(LR"("C:\课程\2024 春\*")"), (Args{LR"(C:\课程\2024 春\*)"}));
  EXPECT_EQ(ArgumentsOf(LR"("C:\dir\\")"), (Args{LR"(C:\dir\)"}));
  EXPECT_TRUE(ArgumentsOf(L"").empty());
}

TEST(SplitCommandLine, ProgramNameIgnoresBackslashRules) {
  std::vector<std::wstring> all = SplitCommandLine(LR"("C:\Program Files\Lumora\compress.exe" a)");
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0], LR"(C:\Program Files\Lumora\compress.exe)");
  EXPECT_EQ(all[1], L"a");
  EXPECT_EQ(SplitCommandLine(LR"(C:\x\compress.exe)").front(), LR"(C:\x\compress.exe)");
}

// A password quoted by the usual rule (quote it, double the backslashes before a quote,
// escape the quotes) comes back unchanged.
TEST(SplitCommandLine, EscapedPasswordArrivesUnchanged) {
  std::vector<std::wstring> all =
      ArgumentsOf(LR"(a -tzip "-p my \"pass\" \ \\\\\"end\\" "D:\out\课.zip")");
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[2], LR"(-p my "pass" \ \\"end\)");
  EXPECT_EQ(all[3], LR"(D:\out\课.zip)");
}

TEST(ParseAddCommand, TakesLumorasCommandLine) {
  ParsedCommand parsed = ParseAddCommand(
      ArgumentsOf(LR"( a -tzip -psecret "D:\lessons\20240301080000\lesson1" "D:\lessons\20240301080000\*" -r)"));
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.request.password, L"secret");
  EXPECT_EQ(parsed.request.archive, LR"(D:\lessons\20240301080000\lesson1.zip)");
  EXPECT_EQ(parsed.request.sourceFolder, LR"(D:\lessons\20240301080000)");
}

TEST(ParseAddCommand, SourceFolderForms) {
  auto sourceOf = [](const std::wstring& source) {
    return ParseAddCommand({L"a", L"-px", L"out.zip", source}).request.sourceFolder;
  };
  EXPECT_EQ(sourceOf(LR"(D:\l\*)"), LR"(D:\l)");
  EXPECT_EQ(sourceOf(L"D:/l/*"), L"D:/l");
  EXPECT_EQ(sourceOf(LR"(D:\l\)"), LR"(D:\l)");
  EXPECT_EQ(sourceOf(LR"(D:\)"), LR"(D:\)");
  EXPECT_EQ(sourceOf(LR"(D:\*)"), L"D:");
  EXPECT_FALSE(ParseAddCommand({L"a", L"-px", L"out.zip", LR"(D:\l\*.avi)"}).ok);
}

TEST(ParseAddCommand, ArchiveExtension) {
  EXPECT_EQ(WithZipExtension(LR"(D:\out\lesson)"), LR"(D:\out\lesson.zip)");
  EXPECT_EQ(WithZipExtension(LR"(D:\out\lesson.zip)"), LR"(D:\out\lesson.zip)");
  EXPECT_EQ(WithZipExtension(LR"(D:\out\lesson.7z)"), LR"(D:\out\lesson.7z)");
  EXPECT_EQ(WithZipExtension(LR"(D:\v1.2\lesson)"), LR"(D:\v1.2\lesson.zip)");
  EXPECT_EQ(WithZipExtension(LR"(D:\out\lesson.)"), LR"(D:\out\lesson.zip)");
}

TEST(ParseAddCommand, SwitchesAnywhereAndCaseOfKeywords) {
  ParsedCommand parsed = ParseAddCommand({L"-R", L"A", L"-TZIP", L"o", L"-pPaSs", L"s\\*"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.request.password, L"PaSs");
  EXPECT_EQ(parsed.request.archive, L"o.zip");
  // After "--" a name may begin with a dash.
  parsed = ParseAddCommand({L"a", L"-px", L"--", L"-out", L"s"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.request.archive, L"-out.zip");
}

TEST(ParseAddCommand, RefusesWhatItCannotDoWithoutAsking) {
  const struct { Args arguments; const wchar_t* errorPart; } cases[] = {
      {{}, L"no command"},
      {{L"x", L"-px", L"o", L"s"}, L"unsupported command"},
      {{L"a", L"-t7z", L"-px", L"o", L"s"}, L"unsupported archive type"},
      {{L"a", L"-mx9", L"-px", L"o", L"s"}, L"unknown switch"},
      {{L"a", L"o", L"s"}, L"password"},
      {{L"a", L"-p", L"o", L"s"}, L"password"},
      {{L"a", L"-px", L"o"}, L"one archive and one source"},
      {{L"a", L"-px", L"o", L"s", L"t"}, L"one archive and one source"},
      {{L"a", L"-px", L"", L"s"}, L"archive name is empty"},
  };
  for (const auto& c : cases) {
    ParsedCommand parsed = ParseAddCommand(c.arguments);
    EXPECT_FALSE(parsed.ok) << c.errorPart;
    EXPECT_NE(parsed.error.find(c.errorPart), std::wstring::npos) << parsed.error;
  }
}
