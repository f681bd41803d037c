// Prints the text of the visible message box whose caption is the argument, in UTF-8:
//   message_box_text <caption>
// Exit code 0 when such a box is shown, 1 when there is none.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HWND box = FindWindowA("#32770", argv[1]);
  if (!box || !IsWindowVisible(box)) return 1;
  wchar_t text[2048] = {};
  // The text of a message box is its static control 0xFFFF.
  GetDlgItemTextW(box, 0xFFFF, text, 2048);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes > 0 ? bytes - 1 : 0, '\0');
  if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], bytes, nullptr, nullptr);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fputc('\n', stdout);
  return 0;
}
