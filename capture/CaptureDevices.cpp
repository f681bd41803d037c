#include "capture/CaptureDevices.h"

#include "framework/Text.h"

#include <oleauto.h>

void DeviceSlots::Clear() {
  for (ComPtr<IMoniker>& slot : slots) slot = nullptr;
}

bool DeviceSlots::Contains(IMoniker* moniker) const {
  for (const ComPtr<IMoniker>& slot : slots) {
    if (slot && MonikersEqual(moniker, slot.Get())) return true;
  }
  return false;
}

ComPtr<IMoniker> DeviceSlots::At(int index) const {
  if (index < 0 || index >= kDeviceSlotCount) return nullptr;
  return slots[index];
}

const GUID& DeviceCategory(DeviceKind kind) {
  return kind == DeviceKind::Video ? CLSID_VideoInputDeviceCategory : CLSID_AudioInputDeviceCategory;
}

bool MonikersEqual(IMoniker* a, IMoniker* b) {
  return a && b && a->IsEqual(b) == S_OK;
}

namespace {
bool ReadText(IPropertyBag* bag, const wchar_t* property, std::string* text) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  HRESULT hr = bag->Read(property, &value, nullptr);
  bool ok = SUCCEEDED(hr) && value.vt == VT_BSTR;
  if (ok && text) *text = WideToAnsi(value.bstrVal ? value.bstrVal : L"");
  VariantClear(&value);
  return ok;
}

ComPtr<IPropertyBag> PropertiesOf(IMoniker* moniker) {
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.OutVoid()))) return nullptr;
  return bag;
}
}  // namespace

bool ReadFriendlyName(IMoniker* moniker, std::string* name) {
  ComPtr<IPropertyBag> bag = PropertiesOf(moniker);
  return bag && ReadText(bag.Get(), L"FriendlyName", name);
}

DeviceIdentity ReadDeviceIdentity(IMoniker* moniker) {
  DeviceIdentity identity;
  if (!moniker) return identity;
  moniker->AddRef();
  identity.moniker = ComPtr<IMoniker>::Attach(moniker);
  if (ComPtr<IPropertyBag> bag = PropertiesOf(moniker)) {
    ReadText(bag.Get(), L"DevicePath", &identity.path);
    ReadText(bag.Get(), L"FriendlyName", &identity.name);
  }
  return identity;
}

bool SameDevicePath(const std::string& a, const std::string& b) {
  return !a.empty() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

bool SameDevice(const DeviceIdentity& device, IMoniker* candidate) {
  if (!candidate) return false;
  if (MonikersEqual(device.moniker.Get(), candidate)) return true;
  DeviceIdentity other = ReadDeviceIdentity(candidate);
  if (SameDevicePath(device.path, other.path)) return true;
  return !device.name.empty() && device.name == other.name;
}

ComPtr<IEnumMoniker> CategoryMonikers(ICreateDevEnum* enumerator, DeviceKind kind) {
  ComPtr<IEnumMoniker> monikers;
  // S_FALSE means the category has no devices and no enumerator is handed out.
  if (enumerator->CreateClassEnumerator(DeviceCategory(kind), monikers.Out(), 0) != S_OK) {
    return nullptr;
  }
  if (monikers) monikers->Reset();
  return monikers;
}

void EnumerateDeviceSlots(ICreateDevEnum* enumerator, DeviceKind kind, DeviceSlots& devices) {
  devices.Clear();
  devices.count = 0;
  ComPtr<IEnumMoniker> monikers = CategoryMonikers(enumerator, kind);
  if (!monikers) return;
  int position = 0;
  while (position < kDeviceSlotCount) {
    ComPtr<IMoniker> moniker;
    if (monikers->Next(1, moniker.Out(), nullptr) != S_OK || !moniker) break;
    if (ReadFriendlyName(moniker.Get(), nullptr)) devices.slots[position] = moniker;
    ++position;
  }
  devices.count = position;
}

std::vector<std::string> ReadableDeviceNames(ICreateDevEnum* enumerator, DeviceKind kind) {
  std::vector<std::string> names;
  ComPtr<IEnumMoniker> monikers = CategoryMonikers(enumerator, kind);
  if (!monikers) return names;
  for (;;) {
    ComPtr<IMoniker> moniker;
    if (monikers->Next(1, moniker.Out(), nullptr) != S_OK || !moniker) break;
    std::string name;
    if (ReadFriendlyName(moniker.Get(), &name)) names.push_back(name);
  }
  return names;
}
