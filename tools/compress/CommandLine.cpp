#include "tools/compress/CommandLine.h"

#include <cwctype>

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; }

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// Reads one argument after the program name, starting at `i`; leaves `i` after it.
std::wstring ReadArgument(const std::wstring& line, size_t& i) {
  std::wstring argument;
  bool quoted = false;
  while (i < line.size()) {
    wchar_t c = line[i];
    if (!quoted && IsBlank(c)) break;
    if (c == L'\\') {
      size_t run = 0;
      while (i < line.size() && line[i] == L'\\') ++run, ++i;
      if (i < line.size() && line[i] == L'"') {
        argument.append(run / 2, L'\\');
        if (run % 2 == 1) {
          argument.push_back(L'"');
          ++i;
        }
      } else {
        argument.append(run, L'\\');
      }
    } else if (c == L'"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
        argument.push_back(L'"');
        i += 2;
      } else {
        quoted = !quoted;
        ++i;
      }
    } else {
      argument.push_back(c);
      ++i;
    }
  }
  return argument;
}

// Turns "<folder>\*" or "<folder>" into the folder itself; empty when the pattern is not one
// of those two forms (other wildcards are not supported).
std::wstring SourceFolderOf(std::wstring pattern) {
  if (pattern.size() >= 2 && pattern.back() == L'*' && IsSeparator(pattern[pattern.size() - 2]))
    pattern.resize(pattern.size() - 2);
  else if (pattern == L"*")
    pattern = L".";
  if (pattern.find_first_of(L"*?") != std::wstring::npos) return {};
  // Keep the separator of a drive root such as "C:\".
  while (pattern.size() > 1 && IsSeparator(pattern.back()) && pattern[pattern.size() - 2] != L':')
    pattern.pop_back();
  return pattern;
}
}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
  std::vector<std::wstring> arguments;
  size_t i = 0;
  // The program name: no backslash rules, a quote only opens or closes it.
  std::wstring program;
  if (i < line.size() && line[i] == L'"') {
    ++i;
    while (i < line.size() && line[i] != L'"') program.push_back(line[i++]);
    if (i < line.size()) ++i;
  } else {
    while (i < line.size() && !IsBlank(line[i])) program.push_back(line[i++]);
  }
  arguments.push_back(program);
  for (;;) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    arguments.push_back(ReadArgument(line, i));
  }
  return arguments;
}

std::wstring WithZipExtension(const std::wstring& archive) {
  size_t nameStart = archive.find_last_of(L"\\/:");
  nameStart = nameStart == std::wstring::npos ? 0 : nameStart + 1;
  size_t dot = archive.find(L'.', nameStart);
  if (dot == std::wstring::npos) return archive + L".zip";
  if (dot + 1 == archive.size()) return archive + L"zip";
  return archive;
}

ParsedCommand ParseAddCommand(const std::vector<std::wstring>& arguments) {
  ParsedCommand parsed;
  std::vector<std::wstring> names;
  bool passwordGiven = false, switchesEnded = false;
  for (const std::wstring& argument : arguments) {
    bool isSwitch = !switchesEnded && argument.size() > 1 && argument[0] == L'-';
    if (!isSwitch) {
      names.push_back(argument);
      continue;
    }
    if (argument == L"--") {
      switchesEnded = true;
    } else if (argument[1] == L'p') {
      // The password is case-sensitive and taken as it stands.
      parsed.request.password = argument.substr(2);
      passwordGiven = true;
    } else if (Lower(argument).rfind(L"-t", 0) == 0) {
      if (Lower(argument) != L"-tzip") {
        parsed.error = L"unsupported archive type \"" + argument.substr(2) + L"\" (only zip)";
        return parsed;
      }
    } else if (Lower(argument) == L"-r") {
      // The whole tree below the folder is always packed.
    } else {
      parsed.error = L"unknown switch \"" + argument + L"\"";
      return parsed;
    }
  }
  if (names.empty() || Lower(names[0]) != L"a") {
    parsed.error = names.empty() ? L"no command given (expected \"a\")"
                                 : L"unsupported command \"" + names[0] + L"\" (only \"a\")";
    return parsed;
  }
  if (names.size() != 3) {
    parsed.error = L"expected one archive and one source folder after \"a\"";
    return parsed;
  }
  // An archive without protection is never made, and nothing is ever asked interactively.
  if (!passwordGiven || parsed.request.password.empty()) {
    parsed.error = L"a non-empty password is required (-p<password>)";
    return parsed;
  }
  if (names[1].empty()) {
    parsed.error = L"the archive name is empty";
    return parsed;
  }
  parsed.request.archive = WithZipExtension(names[1]);
  parsed.request.sourceFolder = SourceFolderOf(names[2]);
  if (parsed.request.sourceFolder.empty()) {
    parsed.error = L"the source must be a folder or \"<folder>\\*\", not \"" + names[2] + L"\"";
    return parsed;
  }
  parsed.ok = true;
  return parsed;
}
