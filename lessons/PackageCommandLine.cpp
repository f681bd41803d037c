#include "lessons/PackageCommandLine.h"

#include "framework/Text.h"

namespace {
const wchar_t kForbiddenInNames[] = L"\\/:*?\"<>|";
}

std::string QuoteArgumentIfNeeded(const std::string& argument) {
  std::wstring wide = AnsiToWide(argument);
  if (!wide.empty() && wide.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : wide) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count double only before a quote.
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  // The closing quote follows: the trailing backslashes must not escape it.
  quoted.append(2 * backslashes, L'\\');
  quoted.push_back(L'"');
  return WideToAnsi(quoted);
}

std::string PackageParameters(const std::string& password, const std::string& saveFolder,
                              const std::string& fileName, const std::string& sourceFolder) {
  return " a -tzip -p" + QuoteArgumentIfNeeded(password) + " \"" + saveFolder + "\\" + fileName +
         "\" \"" + sourceFolder + "\\*\" -r";
}

std::string PackageArchivePath(const std::string& saveFolder, const std::string& fileName) {
  std::string path = saveFolder + "\\" + fileName;
  // '.' is never the second byte of a GBK character, so a byte search is safe here.
  size_t dot = fileName.find('.');
  if (dot == std::string::npos) return path + ".zip";
  if (dot + 1 == fileName.size()) return path + "zip";
  return path;
}

std::string FileNameProblem(const std::string& fileName) {
  std::wstring wide = AnsiToWide(fileName);
  if (wide.find_first_not_of(L" \t") == std::wstring::npos) return "请输入文件名。";
  if (wide.find_first_of(kForbiddenInNames) != std::wstring::npos)
    return "文件名不能包含下列字符：\\ / : * ? \" < > |";
  return {};
}
