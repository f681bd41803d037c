// The in-process server: class factories for the cameras, the microphone and the writer.
#include <windows.h>

#include <dshow.h>
#include <uuids.h>

#include "testbed/TestbedClasses.h"
#include "testbed/camera/TestCamera.h"
#include "testbed/microphone/TestMicrophone.h"
#include "testbed/writer/AsfWriterFilter.h"

namespace dshow {
LONG g_liveObjects = 0;
}  // namespace dshow

namespace testbed {

HMODULE g_module = nullptr;

namespace {

IBaseFilter* CreateFilter(REFCLSID clsid) {
  if (clsid == kFirstCameraClsid) return new TestCamera(clsid, kFirstCamera);
  if (clsid == kSecondCameraClsid) return new TestCamera(clsid, kSecondCamera);
  if (clsid == kMicrophoneClsid) return new TestMicrophone(clsid);
  if (clsid == CLSID_WMAsfWriter) return new AsfWriterFilter();
  return nullptr;
}

class ClassFactory : public ComObject, public IClassFactory {
public:
  explicit ClassFactory(REFCLSID clsid) : clsid_(clsid) {}
  DSHOW_IUNKNOWN

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    IBaseFilter* filter = CreateFilter(clsid_);
    if (!filter) return E_OUTOFMEMORY;
    HRESULT hr = filter->QueryInterface(iid, out);
    filter->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) InterlockedIncrement(&g_liveObjects);
    else InterlockedDecrement(&g_liveObjects);
    return S_OK;
  }

protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) return static_cast<IClassFactory*>(this);
    return nullptr;
  }

private:
  CLSID clsid_;
};

}  // namespace
}  // namespace testbed

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    testbed::g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  IBaseFilter* probe = testbed::CreateFilter(clsid);
  if (!probe) return CLASS_E_CLASSNOTAVAILABLE;
  probe->Release();
  auto* factory = new testbed::ClassFactory(clsid);
  HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

STDAPI DllCanUnloadNow() { return dshow::g_liveObjects == 0 ? S_OK : S_FALSE; }
