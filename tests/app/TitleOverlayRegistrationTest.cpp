// Registration of the title overlay class for the current user, and creation through COM from
// the program folder's DLL, from a missing file and from a file that is no DLL.
#include "app/TitleOverlayRegistration.h"
#include "framework/Handles.h"
#include "overlay/TitleOverlayConfig.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <dshow.h>

#include <algorithm>
#include <cstdlib>

namespace {

const char kUserClassKey[] = "Software\\Classes\\CLSID\\{E3FB4BFE-8E5C-4AEC-8162-7DA55BE486A1}";
const char kClassKey[] = "CLSID\\{E3FB4BFE-8E5C-4AEC-8162-7DA55BE486A1}";

// No registration left, neither the user's nor (where Wine keeps it) the classes view's own.
void Unregister() {
  RegDeleteTreeA(HKEY_CURRENT_USER, kUserClassKey);
  RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey);
}

// The program folder's DLL as Wine sees it.
std::string ShippedDll() {
  const char* dist = std::getenv("LUMORA_DIST");
  std::string path = std::string("Z:") + (dist ? dist : "") + "/" + kTitleOverlayDll;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

HRESULT CreateOverlay(ComPtr<IBaseFilter>& filter) {
  return CoCreateInstance(CLSID_TitleOverlay, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.OutVoid());
}

class TitleOverlayRegistrationTest : public testing::Test {
protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Unregister();
  }
  // Leaves the class registered to the program folder, as Lumora would.
  void TearDown() override {
    Unregister();
    EnsureTitleOverlayRegistered(ShippedDll());
    CoFreeUnusedLibraries();
    CoUninitialize();
  }
};

TEST_F(TitleOverlayRegistrationTest, RegistersWhenMissingOrElsewhereAndLeavesItOtherwise) {
  ASSERT_EQ(RegisteredTitleOverlayServer(), "");
  EXPECT_EQ(EnsureTitleOverlayRegistered("C:\\Prog\\TitleOverlay.dll"), TitleOverlayRegistration::Registered);
  EXPECT_EQ(RegisteredTitleOverlayServer(), "C:\\Prog\\TitleOverlay.dll");
  EXPECT_EQ(EnsureTitleOverlayRegistered("C:\\Prog\\TitleOverlay.dll"), TitleOverlayRegistration::AlreadyThere);
  EXPECT_EQ(EnsureTitleOverlayRegistered("c:\\PROG\\titleoverlay.DLL"), TitleOverlayRegistration::AlreadyThere);
  // Another copy of the program moved: the class follows it.
  EXPECT_EQ(EnsureTitleOverlayRegistered("D:\\Lumora\\TitleOverlay.dll"), TitleOverlayRegistration::Registered);
  EXPECT_EQ(RegisteredTitleOverlayServer(), "D:\\Lumora\\TitleOverlay.dll");
  EXPECT_EQ(EnsureTitleOverlayRegistered(""), TitleOverlayRegistration::Failed);

  RegistryKey server;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kUserClassKey) + "\\InprocServer32").c_str(), 0,
                          KEY_READ, server.Out()),
            ERROR_SUCCESS);
  char model[32] = {};
  DWORD size = sizeof(model) - 1;
  ASSERT_EQ(RegQueryValueExA(server.Get(), "ThreadingModel", nullptr, nullptr, reinterpret_cast<BYTE*>(model), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(model, "Both");
}

TEST_F(TitleOverlayRegistrationTest, ProgramFoldersDllIsCreatedByClassIdentifier) {
  ASSERT_EQ(EnsureTitleOverlayRegistered(ShippedDll()), TitleOverlayRegistration::Registered);
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(CreateOverlay(filter), S_OK);
  ComPtr<ITitleOverlayConfig> config;
  ASSERT_EQ(filter->QueryInterface(IID_ITitleOverlayConfig, config.OutVoid()), S_OK);
  EXPECT_EQ(config->SetTitleType(2), S_OK);
  EXPECT_EQ(config->SetTitleType(3), E_INVALIDARG);
  CLSID clsid{};
  EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_TitleOverlay));
}

TEST_F(TitleOverlayRegistrationTest, MissingOrBrokenDllCannotBeCreated) {
  TempDir dir;
  ASSERT_EQ(EnsureTitleOverlayRegistered(dir / "TitleOverlay.dll"), TitleOverlayRegistration::Registered);
  ComPtr<IBaseFilter> filter;
  EXPECT_TRUE(FAILED(CreateOverlay(filter)));
  EXPECT_FALSE(filter);
  ASSERT_TRUE(WriteFileBytes(dir / "TitleOverlay.dll", "this is no library"));
  EXPECT_TRUE(FAILED(CreateOverlay(filter)));
  EXPECT_FALSE(filter);
}

}  // namespace
