// The two entry points of the Windows Media Format runtime that Lumora binds, in a DLL named
// wmvcore.dll that scripts/testbed.sh puts into the test prefix in place of Wine's own.
#include <windows.h>

#include "testbed/wmformat/WmProfileManager.h"
#include "testbed/wmformat/WmWriter.h"

namespace dshow {
LONG g_liveObjects = 0;
}  // namespace dshow

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

extern "C" HRESULT WINAPI WMCreateProfileManager(IWMProfileManager** manager) {
  if (!manager) return E_POINTER;
  *manager = new testbed::WmProfileManager;
  return S_OK;
}

// A certificate is not needed by this runtime, so it is not looked at.
extern "C" HRESULT WINAPI WMCreateWriter(IUnknown* certificate, IWMWriter** writer) {
  if (!writer) return E_POINTER;
  *writer = new testbed::WmWriter;
  return S_OK;
}
