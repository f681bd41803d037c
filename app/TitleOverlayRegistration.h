// Makes COM find the title overlay filter in the DLL beside the program, without an installer:
// the class is registered for the current user when it is missing or names another file.
#pragma once
#include <string>

// File name of the title overlay filter's DLL in the program folder.
constexpr char kTitleOverlayDll[] = "TitleOverlay.dll";

enum class TitleOverlayRegistration { AlreadyThere, Registered, Failed };

// The in-process server file that COM would load for the title overlay class, or empty.
std::string RegisteredTitleOverlayServer();
// Registers the class under HKEY_CURRENT_USER\Software\Classes to `dllPath` unless COM already
// finds it there (file names compared without regard to case).
TitleOverlayRegistration EnsureTitleOverlayRegistered(const std::string& dllPath);
