// Self-registration: the classes under HKCR\CLSID, and through the filter mapper the cameras
// and the microphone in the video and audio input device categories (with the FilterData
// that device enumerators read), the writer among the ordinary DirectShow filters.
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
};

const Registered kClasses[] = {
    {&kFirstCameraClsid, kFirstCamera.name, &CLSID_VideoInputDeviceCategory, &MEDIATYPE_Video, false},
    {&kSecondCameraClsid, kSecondCamera.name, &CLSID_VideoInputDeviceCategory, &MEDIATYPE_Video, false},
    {&kMicrophoneClsid, kMicrophoneName, &CLSID_AudioInputDeviceCategory, &MEDIATYPE_Audio, false},
    {&CLSID_WMAsfWriter, kAsfWriterName, &CLSID_LegacyAmFilterCategory, &MEDIATYPE_NULL, true},
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
  return mapper->RegisterFilter(*c.clsid, c.name, nullptr, c.category, nullptr, &filter);
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
