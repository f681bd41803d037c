#include "capture/PartProfile.h"

#include "framework/Handles.h"

#include <string>

namespace {
// A profile's name or description, read in two calls (the length, then the text).
template <typename Getter>
std::wstring ReadText(Getter get) {
  DWORD length = 0;
  if (FAILED(get(nullptr, &length)) || length == 0) return L"";
  std::wstring text(length, L'\0');
  if (FAILED(get(&text[0], &length))) return L"";
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}
}  // namespace

HRESULT ProfileWithout(IWMProfileManager* manager, IWMProfile* profile, const GUID& streamType, IWMProfile** copy) {
  if (!manager || !profile || !copy) return E_POINTER;
  *copy = nullptr;
  // A stream that GetStream hands out is the caller's copy, and AddStream keeps a copy of its own,
  // so the source profile is left as it was.
  WMT_VERSION version = WMT_VER_9_0;
  HRESULT hr = profile->GetVersion(&version);
  ComPtr<IWMProfile> result;
  if (SUCCEEDED(hr)) hr = manager->CreateEmptyProfile(version, result.Out());
  if (FAILED(hr)) return hr;
  std::wstring name = ReadText([&](WCHAR* text, DWORD* length) { return profile->GetName(text, length); });
  std::wstring description =
      ReadText([&](WCHAR* text, DWORD* length) { return profile->GetDescription(text, length); });
  if (!name.empty()) result->SetName(name.c_str());
  if (!description.empty()) result->SetDescription(description.c_str());
  DWORD count = 0;
  hr = profile->GetStreamCount(&count);
  DWORD kept = 0;
  for (DWORD i = 0; SUCCEEDED(hr) && i < count; ++i) {
    ComPtr<IWMStreamConfig> stream;
    GUID type = GUID_NULL;
    hr = profile->GetStream(i, stream.Out());
    if (SUCCEEDED(hr)) hr = stream->GetStreamType(&type);
    if (SUCCEEDED(hr) && type != streamType) {
      hr = result->AddStream(stream.Get());
      ++kept;
    }
  }
  if (FAILED(hr)) return hr;
  if (kept == 0) return E_INVALIDARG;
  *copy = result.Detach();
  return S_OK;
}
