// The in-process server of the title overlay filter: its class factory and the module's life.
#include <windows.h>

#include <new>

#include "dshow/ComObject.h"
#include "overlay/TitleOverlayFilter.h"

namespace dshow {
LONG g_liveObjects = 0;
}  // namespace dshow

namespace {

class ClassFactory : public dshow::ComObject, public IClassFactory {
public:
  DSHOW_IUNKNOWN

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* filter = new (std::nothrow) TitleOverlayFilter();
    if (!filter) return E_OUTOFMEMORY;
    HRESULT hr = static_cast<IBaseFilter*>(filter)->QueryInterface(iid, out);
    static_cast<IBaseFilter*>(filter)->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) InterlockedIncrement(&dshow::g_liveObjects);
    else InterlockedDecrement(&dshow::g_liveObjects);
    return S_OK;
  }

protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) return static_cast<IClassFactory*>(this);
    return nullptr;
  }
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != CLSID_TitleOverlay) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) ClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

STDAPI DllCanUnloadNow() { return dshow::g_liveObjects == 0 ? S_OK : S_FALSE; }
