// What the testbed checks need from DirectShow: the registered devices by category, their
// filters, and pins found by category.
#pragma once
#include <string>
#include <vector>

#include <windows.h>
#include <dshow.h>
#include <qedit.h>

#include "framework/Handles.h"

struct Device {
  std::wstring name;
  ComPtr<IMoniker> moniker;
};

// Every device of a category as the system device enumerator lists it, in its order.
std::vector<Device> ListDevices(REFCLSID category);
// The filter of the device named `name` in `category`, or null.
ComPtr<IBaseFilter> DeviceFilter(REFCLSID category, const std::wstring& name);
// The first pin of `filter` with that direction and pin category (GUID_NULL: any), or null.
ComPtr<IPin> FindPinByCategory(IBaseFilter* filter, PIN_DIRECTION direction, REFGUID category);
// The pin category a pin reports through IKsPropertySet, or GUID_NULL.
GUID PinCategory(IPin* pin);

// COM for one test (an apartment thread, as Lumora's user-interface thread).
class ComApartment {
public:
  ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComApartment() { CoUninitialize(); }
};

std::string Narrow(const std::wstring& text);

// A sample grabber's callback that lives as long as the check that made it: its reference count
// is a formality, and a derived callback only says what to do with each buffer (BufferCB).
class GrabberCallbackBase : public ISampleGrabberCB {
public:
  virtual ~GrabberCallbackBase() = default;
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_ISampleGrabberCB) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SampleCB(double, IMediaSample*) override { return S_OK; }
};
