// One Lumora per user. The first program holds a named mutex for its life; a later start finds
// it held, brings the first one's main window to the front and ends before it touches anything
// (settings, devices, the lessons and their recovery records). The main window is found by a
// property it carries, not by its title, which changes while a lesson records.
#pragma once
#include "framework/Handles.h"

#include <windows.h>
#include <string>

class SingleInstance {
public:
  // Claims the user's mutex; false when another Lumora of this user holds it.
  bool Claim();

private:
  UniqueHandle mutex_;
};

// The mutex's name: one per user name.
std::string SingleInstanceMutexName();

// The main window carries the property that a later start looks for; removed when it goes.
void MarkMainWindow(HWND window);
void UnmarkMainWindow(HWND window);
// Restores the marked main window of this desktop (if minimised) and brings it to the front;
// false when there is none.
bool BringMainWindowToFront();
