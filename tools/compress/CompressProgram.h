// The whole run of compress.exe for one command line: parse, pack, report, exit code.
#pragma once
#include "tools/compress/Archiver.h"

// Messages go to standard error; the result is the process exit code.
int RunCompressProgram(const wchar_t* commandLine, const ArchiveOptions& options);
