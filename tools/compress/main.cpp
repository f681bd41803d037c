// compress.exe: the command-line archiver that packs a lesson folder into an encrypted zip.
#include "tools/compress/CompressProgram.h"

#include <windows.h>

int main() { return RunCompressProgram(GetCommandLineW(), ArchiveOptions()); }
