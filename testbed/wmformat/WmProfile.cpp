#include "testbed/wmformat/WmProfile.h"

#include <nserror.h>

#include <algorithm>

namespace testbed {

WmProfile::~WmProfile() {
  for (WmStreamConfig* stream : streams_) stream->Release();
}

void* WmProfile::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == __uuidof(IWMProfile)) return static_cast<IWMProfile*>(this);
  return nullptr;
}

STDMETHODIMP WmProfile::GetVersion(WMT_VERSION* version) {
  if (!version) return E_POINTER;
  *version = version_;
  return S_OK;
}

STDMETHODIMP WmProfile::GetName(WCHAR* name, DWORD* length) { return CopyText(name_, name, length); }

STDMETHODIMP WmProfile::SetName(const WCHAR* name) {
  if (!name) return E_POINTER;
  name_ = name;
  return S_OK;
}

STDMETHODIMP WmProfile::GetDescription(WCHAR* text, DWORD* length) { return CopyText(description_, text, length); }

STDMETHODIMP WmProfile::SetDescription(const WCHAR* text) {
  if (!text) return E_POINTER;
  description_ = text;
  return S_OK;
}

STDMETHODIMP WmProfile::GetStreamCount(DWORD* count) {
  if (!count) return E_POINTER;
  *count = static_cast<DWORD>(streams_.size());
  return S_OK;
}

STDMETHODIMP WmProfile::GetStream(DWORD index, IWMStreamConfig** config) {
  if (!config) return E_POINTER;
  *config = nullptr;
  if (index >= streams_.size()) return E_INVALIDARG;
  // The caller gets a copy: changes reach the profile only through ReconfigStream.
  WmStreamConfig* copy = nullptr;
  HRESULT hr = WmStreamConfig::CopyOf(streams_[index], &copy);
  if (SUCCEEDED(hr)) *config = copy;
  return hr;
}

STDMETHODIMP WmProfile::GetStreamByNumber(WORD number, IWMStreamConfig** config) {
  if (!config) return E_POINTER;
  *config = nullptr;
  for (DWORD i = 0; i < streams_.size(); ++i) {
    if (streams_[i]->Number() == number) return GetStream(i, config);
  }
  return NS_E_NO_STREAM;
}

STDMETHODIMP WmProfile::RemoveStream(IWMStreamConfig* config) {
  if (!config) return E_POINTER;
  WORD number = 0;
  config->GetStreamNumber(&number);
  return RemoveStreamByNumber(number);
}

STDMETHODIMP WmProfile::RemoveStreamByNumber(WORD number) {
  WmStreamConfig* stream = Find(number);
  if (!stream) return NS_E_NO_STREAM;
  streams_.erase(std::find(streams_.begin(), streams_.end(), stream));
  stream->Release();
  return S_OK;
}

WmStreamConfig* WmProfile::Find(WORD number) const {
  for (WmStreamConfig* stream : streams_) {
    if (stream->Number() == number) return stream;
  }
  return nullptr;
}

HRESULT WmProfile::Checked(IWMStreamConfig* config, WmStreamConfig** copy) const {
  if (!config) return E_POINTER;
  HRESULT hr = WmStreamConfig::CopyOf(config, copy);
  if (FAILED(hr)) return hr;
  WmStreamConfig* stream = *copy;
  GUID type;
  stream->GetStreamType(&type);
  const WM_MEDIA_TYPE* media = stream->MediaType().Get();
  if (stream->Number() < 1 || stream->Number() > 63) hr = NS_E_INVALID_STREAM;
  else if (!media || media->majortype != type) hr = NS_E_INVALID_INPUT_FORMAT;
  if (FAILED(hr)) {
    stream->Release();
    *copy = nullptr;
  }
  return hr;
}

STDMETHODIMP WmProfile::AddStream(IWMStreamConfig* config) {
  WmStreamConfig* copy = nullptr;
  HRESULT hr = Checked(config, &copy);
  if (FAILED(hr)) return hr;
  if (Find(copy->Number())) {
    copy->Release();
    return NS_E_INVALID_STREAM;
  }
  streams_.push_back(copy);
  return S_OK;
}

STDMETHODIMP WmProfile::ReconfigStream(IWMStreamConfig* config) {
  WmStreamConfig* copy = nullptr;
  HRESULT hr = Checked(config, &copy);
  if (FAILED(hr)) return hr;
  auto at = std::find(streams_.begin(), streams_.end(), Find(copy->Number()));
  if (at == streams_.end()) {
    copy->Release();
    return NS_E_NO_STREAM;
  }
  (*at)->Release();
  *at = copy;
  return S_OK;
}

STDMETHODIMP WmProfile::CreateNewStream(REFGUID streamType, IWMStreamConfig** config) {
  if (!config) return E_POINTER;
  *config = nullptr;
  if (streamType != kWmVideo && streamType != kWmAudio) return E_INVALIDARG;
  *config = new WmStreamConfig(streamType);
  return S_OK;
}

STDMETHODIMP WmProfile::GetMutualExclusionCount(DWORD* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

}  // namespace testbed
