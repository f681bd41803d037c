#include "app/LumoraApp.h"

namespace {
LumoraApp theApp;
}

LumoraApp& TheApp() { return theApp; }

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return theApp.RunProgram(instance); }
