// Every call that hands a file or a command line to the shell goes through these two
// functions, so that tests can see what would have been opened instead of starting a viewer.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

using ShellExecuteHandler = std::function<INT_PTR(HWND owner, const std::string& verb, const std::string& file,
                                                  const std::string& parameters, const std::string& directory,
                                                  int show)>;
using RunCommandHandler = std::function<UINT(const std::string& commandLine, int show)>;

// ShellExecuteA (empty parameters and directory are passed as null); the shell's result code,
// above 32 on success.
INT_PTR ShellExecuteFile(HWND owner, const std::string& verb, const std::string& file,
                         const std::string& parameters, const std::string& directory, int show);
// WinExecA; its result code, above 31 on success.
UINT RunCommandLine(const std::string& commandLine, int show);

// Install replacements (an empty handler restores the real call); each returns the previous one.
ShellExecuteHandler SetShellExecuteHandler(ShellExecuteHandler handler);
RunCommandHandler SetRunCommandHandler(RunCommandHandler handler);
