#include "tools/compress/CompressProgram.h"

#include "tools/compress/CommandLine.h"

#include <windows.h>
#include <string>

namespace {
// One line on standard error: through the console when there is one, otherwise as bytes in
// the ANSI code page, which is what a program reading a redirected stream expects.
void PrintError(const std::wstring& line) {
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
  std::wstring text = L"compress: " + line + L"\r\n";
  DWORD written = 0, mode = 0;
  if (GetConsoleMode(error, &mode)) {
    WriteConsoleW(error, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  int count = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                  nullptr, nullptr);
  std::string bytes(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &bytes[0], count, nullptr,
                      nullptr);
  WriteFile(error, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
}  // namespace

int RunCompressProgram(const wchar_t* commandLine, const ArchiveOptions& options) {
  // Started hidden, so no system dialog (a drive that is not ready) may wait for an answer.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  std::vector<std::wstring> arguments = SplitCommandLine(commandLine);
  arguments.erase(arguments.begin());
  ParsedCommand command = ParseAddCommand(arguments);
  if (!command.ok) {
    PrintError(L"bad command line: " + command.error);
    PrintError(L"usage: compress a -tzip -p<password> <archive> <folder>\\* -r");
    return kExitBadCommandLine;
  }
  ArchiveReport report = AddToArchive(command.request, options);
  for (const std::wstring& warning : report.warnings) PrintError(L"warning: " + warning);
  if (report.exitCode == kExitFatal) PrintError(L"error: " + report.fatal);
  else if (report.exitCode == kExitWarnings)
    PrintError(L"warning: " + std::to_wstring(report.warnings.size()) +
               L" item(s) left out; everything else is packed");
  return report.exitCode;
}
