// The library as a host sees it: exactly its exports under their exact names, and a mouse
// hook whose state is shared by every process that loads the library.
#include "framework/Handles.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <set>
#include <string>

namespace {
class Library : public ::testing::Test {
protected:
  void SetUp() override {
    module = LoadLibraryA("Vistrel.dll");
    ASSERT_NE(module, nullptr) << "Vistrel.dll not on the path";
    install = reinterpret_cast<int (*)(HWND)>(GetProcAddress(module, "InstallMyHook"));
    uninstall = reinterpret_cast<void (*)()>(GetProcAddress(module, "UninstallMyHook"));
    ASSERT_TRUE(install && uninstall);
  }
  void TearDown() override { FreeLibrary(module); }
  HMODULE module = nullptr;
  int (*install)(HWND) = nullptr;
  void (*uninstall)() = nullptr;
};

std::set<std::string> ExportNames(HMODULE module) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  auto* exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  auto* names = reinterpret_cast<DWORD*>(base + exports->AddressOfNames);
  std::set<std::string> result;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i)
    result.insert(reinterpret_cast<const char*>(base + names[i]));
  return result;
}

// Runs the hook holder, waits until it holds the hook, and lets it go when asked.
class HookHolder {
public:
  HookHolder() {
    std::string id = std::to_string(GetCurrentProcessId());
    std::string readyName = "VistrelHookReady." + id, releaseName = "VistrelHookRelease." + id;
    ready_.Reset(CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
    release_.Reset(CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str()));
    std::string command = "vistrel_hook_holder.exe " + readyName + " " + releaseName;
    STARTUPINFOA startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
      process_.Reset(process.hProcess);
      CloseHandle(process.hThread);
    }
  }
  bool WaitReady() { return process_ && WaitForSingleObject(ready_.Get(), 30000) == WAIT_OBJECT_0; }
  // The holder's InstallMyHook result.
  DWORD Release() {
    SetEvent(release_.Get());
    WaitForSingleObject(process_.Get(), 30000);
    DWORD code = 99;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
  }

private:
  UniqueHandle ready_, release_, process_;
};
}  // namespace

TEST_F(Library, ExportsTheFiveNamesAndThePauseAndMarkBesideThem) {
  EXPECT_EQ(ExportNames(module), (std::set<std::string>{"_OnRecord@12", "_OnStop@0", "_MMWIMDATA@8",
                                                        "InstallMyHook", "UninstallMyHook", "_OnPause@4",
                                                        "_OnMark@0"}));
  for (const char* name : {"_OnRecord@12", "_OnStop@0", "_MMWIMDATA@8", "_OnPause@4", "_OnMark@0"})
    EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
  EXPECT_EQ(GetProcAddress(module, "OnRecord"), nullptr);
  EXPECT_EQ(GetProcAddress(module, "OnRecord@12"), nullptr);
}

TEST_F(Library, StopPauseOrMarkWithoutRecordingAndMmwimdataWithoutHeaderDoNothing) {
  auto stop = reinterpret_cast<void(__stdcall*)()>(GetProcAddress(module, "_OnStop@0"));
  auto mark = reinterpret_cast<void(__stdcall*)()>(GetProcAddress(module, "_OnMark@0"));
  auto pause = reinterpret_cast<void(__stdcall*)(BOOL)>(GetProcAddress(module, "_OnPause@4"));
  auto data = reinterpret_cast<LRESULT(__stdcall*)(WPARAM, LPARAM)>(GetProcAddress(module, "_MMWIMDATA@8"));
  ASSERT_TRUE(stop && pause && mark && data);
  mark();
  pause(TRUE);
  pause(FALSE);
  stop();
  EXPECT_EQ(data(0, 0), 0);
}

TEST_F(Library, SecondInstallKeepsTheFirstHook) {
  uninstall();  // without a hook: nothing happens
  ASSERT_EQ(install(nullptr), 1);
  EXPECT_EQ(install(nullptr), 0);
  uninstall();
  EXPECT_EQ(install(nullptr), 1);
  uninstall();
}

TEST_F(Library, TheHookIsSharedByEveryProcess) {
  HookHolder holder;
  ASSERT_TRUE(holder.WaitReady());
  // The other process holds the hook: this one sees it through the shared section.
  EXPECT_EQ(install(nullptr), 0);
  EXPECT_EQ(holder.Release(), 1u);
  EXPECT_EQ(install(nullptr), 1);
  uninstall();
}
