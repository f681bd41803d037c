// The one place where the capture engine creates COM objects, so that tests can hand in fakes.
#pragma once
#include <windows.h>
#include <functional>

using ComCreator = std::function<HRESULT(REFCLSID clsid, DWORD context, REFIID iid, void** out)>;

// CoCreateInstance unless a creator is installed.
HRESULT CreateComObject(REFCLSID clsid, DWORD context, REFIID iid, void** out);

// Installs a replacement (an empty creator restores CoCreateInstance); returns the previous one.
ComCreator SetComCreator(ComCreator creator);
