// While the archiver packs a lesson: a small window with a moving bar over the package dialog,
// so that the program shows it is working, repaints, and still takes no other input.
#pragma once
#include <windows.h>
#include <string>

// Returns when `waitable` (the archiver's process) is signalled. Meanwhile `owner` is
// disabled, the progress window naming `archivePath` is shown over it, and the thread's
// messages are dispatched so that every window keeps painting. A WM_QUIT that arrives is
// posted again afterwards.
void WaitShowingProgress(HANDLE waitable, HWND owner, const std::string& archivePath);

// The class name of the progress window (tests and screenshots find it by this name).
extern const char kPackageProgressClass[];
// Control id of the progress bar in that window.
constexpr int kPackageProgressBarId = 100;
