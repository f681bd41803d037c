// The archiver's command line: splitting by the Windows rules and reading the add command.
#pragma once
#include <string>
#include <vector>

// Splits a command line into arguments by the rules of the Microsoft C runtime (the same
// rules CommandLineToArgvW applies): blanks separate arguments outside quotes, 2n backslashes
// before a quote give n backslashes and the quote toggles quoting, 2n+1 give n backslashes and
// a literal quote, other backslashes are literal, and "" inside quotes is a literal quote.
// The first argument is the program name, which ends at its closing quote or the first blank.
std::vector<std::wstring> SplitCommandLine(const std::wstring& line);

// What the add command asks for.
struct AddRequest {
  std::wstring archive;       // archive path, ".zip" appended when the name has no extension
  std::wstring sourceFolder;  // folder whose contents are packed, without a trailing separator
  std::wstring password;      // never empty
};

struct ParsedCommand {
  bool ok = false;
  AddRequest request;
  std::wstring error;  // why the command line was refused, when !ok
};

// Reads `a -tzip -p<password> <archive> <folder>\* -r` (arguments without the program name).
// Switches may stand anywhere; "--" ends them.
ParsedCommand ParseAddCommand(const std::vector<std::wstring>& arguments);

// The archive name with ".zip" appended when its last component has no extension.
std::wstring WithZipExtension(const std::wstring& archive);
