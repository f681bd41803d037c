#include "framework/Shell.h"

#include <shellapi.h>

namespace {
ShellExecuteHandler& ExecuteHandler() {
  static ShellExecuteHandler handler;
  return handler;
}

RunCommandHandler& CommandHandler() {
  static RunCommandHandler handler;
  return handler;
}

const char* OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }
}  // namespace

INT_PTR ShellExecuteFile(HWND owner, const std::string& verb, const std::string& file,
                         const std::string& parameters, const std::string& directory, int show) {
  if (ExecuteHandler()) return ExecuteHandler()(owner, verb, file, parameters, directory, show);
  return reinterpret_cast<INT_PTR>(
      ShellExecuteA(owner, OrNull(verb), file.c_str(), OrNull(parameters), OrNull(directory), show));
}

UINT RunCommandLine(const std::string& commandLine, int show) {
  if (CommandHandler()) return CommandHandler()(commandLine, show);
  return WinExec(commandLine.c_str(), static_cast<UINT>(show));
}

ShellExecuteHandler SetShellExecuteHandler(ShellExecuteHandler handler) {
  ShellExecuteHandler previous = std::move(ExecuteHandler());
  ExecuteHandler() = std::move(handler);
  return previous;
}

RunCommandHandler SetRunCommandHandler(RunCommandHandler handler) {
  RunCommandHandler previous = std::move(CommandHandler());
  CommandHandler() = std::move(handler);
  return previous;
}
