// Test helper: holds a file open without sharing until a flag file is removed, so that a
// check can see how another program copes with a file it cannot read.
// Usage: hold_file <file> <flag file>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  HANDLE flag = CreateFileW(argv[2], GENERIC_WRITE, FILE_SHARE_DELETE | FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, 0, nullptr);
  if (flag == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(flag);
  // Two minutes at most, so that a failed check never leaves it behind.
  for (int i = 0; i < 1200 && GetFileAttributesW(argv[2]) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
  CloseHandle(file);
  return 0;
}
