// Every message box of the program goes through ShowMessageBox, so that tests can record
// the text and give an answer instead of blocking on a window.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

using MessageBoxHandler =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;

// The seam: MessageBoxA unless a handler is installed.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

// Installs a replacement (an empty handler restores MessageBoxA); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The application message box: owned by the main window, captioned with the application title.
int AppMessageBox(const std::string& text, UINT type = MB_OK);
