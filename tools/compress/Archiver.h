// The add command: packs a folder into a new archive or into an existing one, replacing the
// entries of the same name, and swaps the result in only when it is complete.
#pragma once
#include "tools/compress/CommandLine.h"

#include <windows.h>

#include <string>
#include <vector>

enum ExitCode {
  kExitSuccess = 0,
  kExitWarnings = 1,        // some files could not be read; everything else is packed
  kExitFatal = 2,           // no archive was made; an existing one is left as it was
  kExitBadCommandLine = 7,
};

struct ArchiveOptions {
  // Writes Zip64 records for every entry and the end of the archive even when nothing needs
  // them, so that this path can be checked without files of 4 GiB.
  bool forceZip64 = false;
};

struct ArchiveReport {
  int exitCode = kExitSuccess;
  std::vector<std::wstring> warnings;  // one line per file or folder left out
  std::wstring fatal;                  // why nothing was made, for kExitFatal
  size_t entriesWritten = 0;           // entries of the finished archive
};

ArchiveReport AddToArchive(const AddRequest& request, const ArchiveOptions& options = {});

// The system's text for an error code, without the trailing line break.
std::wstring SystemMessage(DWORD error);
