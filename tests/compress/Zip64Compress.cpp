// Test helper: compress.exe with Zip64 records forced on, so that other tools can be shown
// that path without files of 4 GiB.
#include "tools/compress/CompressProgram.h"

#include <windows.h>

int main() {
  ArchiveOptions options;
  options.forceZip64 = true;
  return RunCompressProgram(GetCommandLineW(), options);
}
