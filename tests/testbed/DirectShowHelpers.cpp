#include "tests/testbed/DirectShowHelpers.h"


std::vector<Device> ListDevices(REFCLSID category) {
  std::vector<Device> devices;
  ComPtr<ICreateDevEnum> enumerator;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                              enumerator.OutVoid())))
    return devices;
  ComPtr<IEnumMoniker> monikers;
  if (enumerator->CreateClassEnumerator(category, monikers.Out(), 0) != S_OK) return devices;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.Out(), nullptr) == S_OK) {
    Device device;
    ComPtr<IPropertyBag> bag;
    if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.OutVoid()))) {
      VARIANT name;
      VariantInit(&name);
      if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR)
        device.name = name.bstrVal;
      VariantClear(&name);
    }
    device.moniker = moniker;
    devices.push_back(std::move(device));
  }
  return devices;
}

ComPtr<IBaseFilter> DeviceFilter(REFCLSID category, const std::wstring& name) {
  ComPtr<IBaseFilter> filter;
  for (Device& d : ListDevices(category)) {
    if (d.name == name) {
      d.moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.OutVoid());
      break;
    }
  }
  return filter;
}

GUID PinCategory(IPin* pin) {
  GUID category = GUID_NULL;
  ComPtr<IKsPropertySet> properties;
  DWORD returned = 0;
  if (SUCCEEDED(pin->QueryInterface(IID_IKsPropertySet, properties.OutVoid())))
    properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof(category),
                    &returned);
  return category;
}

ComPtr<IPin> FindPinByCategory(IBaseFilter* filter, PIN_DIRECTION direction, REFGUID category) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.Out()))) return nullptr;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.Out(), nullptr) == S_OK) {
    PIN_DIRECTION d;
    if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction &&
        (category == GUID_NULL || PinCategory(pin.Get()) == category))
      return pin;
  }
  return nullptr;
}

std::string Narrow(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
  return out;
}
