// Self-registration: the classes under HKCR\CLSID, and through the filter mapper the cameras
// and the microphone in the video and audio input device categories (with the FilterData
// that device enumerators read, and for the cameras the device path that a camera's driver gives
// Windows' device monikers), the writer among the ordinary DirectShow filters.
#include "testbed/devices/TestDevices.h"

#include <windows.h>

#include <dshow.h>
#include <uuids.h>

#include <string>

#include "framework/Handles.h"
#include "testbed/TestbedClasses.h"
#include "testbed/camera/TestCamera.h"
#include "testbed/microphone/TestMicrophone.h"

namespace testbed {
extern HMODULE g_module;

namespace {

struct Registered {
  const CLSID* clsid;
  const wchar_t* name;
  const CLSID* category;
  const GUID* majorType;
  bool sink;
  const char* device;  // the test device's name (TestDevices.h), none for the writer
};

const Registered kClasses[] = {
    {&kFirstCameraClsid, kFirstCamera.name, &CLSID_VideoInputDeviceCategory, &MEDIATYPE_Video, false, "camera"},
    {&kSecondCameraClsid, kSecondCamera.name, &CLSID_VideoInputDeviceCategory, &MEDIATYPE_Video, false, "camera2"},
    {&kMicrophoneClsid, kMicrophoneName, &CLSID_AudioInputDeviceCategory, &MEDIATYPE_Audio, false, "microphone"},
    {&CLSID_WMAsfWriter, kAsfWriterName, &CLSID_LegacyAmFilterCategory, &MEDIATYPE_NULL, true, nullptr},
};

std::wstring KeyOf(const CLSID& clsid) {
  wchar_t text[40];
  StringFromGUID2(clsid, text, 40);
  return std::wstring(L"CLSID\\") + text;
}

LONG SetString(HKEY key, const wchar_t* value, const std::wstring& data) {
  return RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

HRESULT RegisterServer(const Registered& c, const std::wstring& modulePath) {
  RegistryKey classKey, serverKey;
  std::wstring key = KeyOf(*c.clsid);
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, classKey.Out(),
                      nullptr) != ERROR_SUCCESS ||
      SetString(classKey.Get(), nullptr, c.name) != ERROR_SUCCESS ||
      RegCreateKeyExW(classKey.Get(), L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr,
                      serverKey.Out(), nullptr) != ERROR_SUCCESS ||
      SetString(serverKey.Get(), nullptr, modulePath) != ERROR_SUCCESS ||
      SetString(serverKey.Get(), L"ThreadingModel", L"Both") != ERROR_SUCCESS)
    return SELFREG_E_CLASS;
  return S_OK;
}

// The key that the filter mapper made for the filter in its category (named after the class).
std::wstring InstanceKeyOf(const Registered& c) {
  wchar_t category[40], clsid[40];
  StringFromGUID2(*c.category, category, 40);
  StringFromGUID2(*c.clsid, clsid, 40);
  return std::wstring(L"CLSID\\") + category + L"\\Instance\\" + clsid;
}

// A camera's moniker tells its device path, as Windows' do for cameras with a driver of their
// own; the microphone has none, as the wave-in sound sources of Windows have none.
HRESULT AddDevicePath(const Registered& c) {
  const TestDevice* device = c.device ? FindTestDevice(c.device) : nullptr;
  if (!device || !device->monikerHasPath) return S_OK;
  RegistryKey instance;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, InstanceKeyOf(c).c_str(), 0, KEY_WRITE, instance.Out()) != ERROR_SUCCESS ||
      SetString(instance.Get(), L"DevicePath", device->path) != ERROR_SUCCESS)
    return SELFREG_E_CLASS;
  return S_OK;
}

HRESULT RegisterInCategory(IFilterMapper2* mapper, const Registered& c) {
  REGPINTYPES type{c.majorType, &MEDIASUBTYPE_NULL};
  REGFILTERPINS pin{};
  pin.strName = const_cast<LPWSTR>(c.sink ? L"Input" : L"Capture");
  pin.bOutput = c.sink ? FALSE : TRUE;
  pin.nMediaTypes = 1;
  pin.lpMediaType = &type;
  REGFILTER2 filter{};
  filter.dwVersion = 1;
  filter.dwMerit = MERIT_DO_NOT_USE;
  filter.cPins = 1;
  filter.rgPins = &pin;
  HRESULT hr = mapper->RegisterFilter(*c.clsid, c.name, nullptr, c.category, nullptr, &filter);
  return SUCCEEDED(hr) ? AddDevicePath(c) : hr;
}

const Registered* FindRegistered(const char* device) {
  for (const Registered& c : kClasses) {
    if (c.device && lstrcmpA(c.device, device) == 0) return &c;
  }
  return nullptr;
}

// COM for the mapper, whatever the calling process has set up (regsvr32 may have none).
class ComScope {
public:
  ComScope() : hr_(CoInitialize(nullptr)) {}
  ~ComScope() { if (SUCCEEDED(hr_)) CoUninitialize(); }

private:
  HRESULT hr_;
};

}  // namespace

HRESULT ShowDeviceInCategory(const char* device, bool shown) {
  const Registered* c = FindRegistered(device);
  if (!c) return E_INVALIDARG;
  ComScope com;
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                mapper.OutVoid());
  if (FAILED(hr)) return hr;
  if (shown) return RegisterInCategory(mapper.Get(), *c);
  // The class stays registered, as a driver's does; only the device's entry in the category goes.
  return mapper->UnregisterFilter(c->category, nullptr, *c->clsid);
}

}  // namespace testbed

STDAPI DllRegisterServer() {
  using namespace testbed;
  wchar_t path[MAX_PATH];
  if (!GetModuleFileNameW(g_module, path, MAX_PATH)) return SELFREG_E_CLASS;
  ComScope com;
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                mapper.OutVoid());
  if (FAILED(hr)) return hr;
  for (const Registered& c : kClasses) {
    hr = RegisterServer(c, path);
    if (SUCCEEDED(hr)) hr = RegisterInCategory(mapper.Get(), c);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  using namespace testbed;
  ComScope com;
  ComPtr<IFilterMapper2> mapper;
  CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2, mapper.OutVoid());
  for (const Registered& c : kClasses) {
    if (mapper) mapper->UnregisterFilter(c.category, nullptr, *c.clsid);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, KeyOf(*c.clsid).c_str());
  }
  return S_OK;
}
