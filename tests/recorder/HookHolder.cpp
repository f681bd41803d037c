// Holds Vistrel's mouse hook in a second process: installs it, reports the result through its
// exit code once released. Usage: vistrel_hook_holder <ready event> <release event>
#include <windows.h>

int main(int argc, char** argv) {
  if (argc < 3) return 10;
  HMODULE vistrel = LoadLibraryA("Vistrel.dll");
  if (!vistrel) return 11;
  auto install = reinterpret_cast<int (*)(HWND)>(GetProcAddress(vistrel, "InstallMyHook"));
  auto uninstall = reinterpret_cast<void (*)()>(GetProcAddress(vistrel, "UninstallMyHook"));
  if (!install || !uninstall) return 12;
  HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
  HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
  if (!ready || !release) return 13;
  int installed = install(nullptr);
  SetEvent(ready);
  WaitForSingleObject(release, 30000);
  uninstall();
  FreeLibrary(vistrel);
  return installed;
}
