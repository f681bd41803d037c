#include "testbed/wmformat/WmStreamConfig.h"

#include <nserror.h>

#include <vector>

namespace testbed {

HRESULT CopyName(const std::wstring& text, WCHAR* out, WORD* length) {
  if (!length) return E_POINTER;
  WORD needed = static_cast<WORD>(text.size() + 1);
  if (!out) {
    *length = needed;
    return S_OK;
  }
  if (*length < needed) {
    *length = needed;
    return NS_E_SDK_BUFFERTOOSMALL;
  }
  text.copy(out, text.size());
  out[text.size()] = L'\0';
  *length = needed;
  return S_OK;
}

HRESULT CopyText(const std::wstring& text, WCHAR* out, DWORD* length) {
  if (!length) return E_POINTER;
  DWORD needed = static_cast<DWORD>(text.size() + 1);
  if (out && *length < needed) {
    *length = needed;
    return NS_E_SDK_BUFFERTOOSMALL;
  }
  if (out) {
    text.copy(out, text.size());
    out[text.size()] = L'\0';
  }
  *length = needed;
  return S_OK;
}

namespace {
std::wstring ReadName(HRESULT (STDMETHODCALLTYPE IWMStreamConfig::*get)(WCHAR*, WORD*), IWMStreamConfig* config) {
  WORD length = 0;
  if (FAILED((config->*get)(nullptr, &length)) || length == 0) return {};
  std::vector<WCHAR> text(length);
  if (FAILED((config->*get)(text.data(), &length))) return {};
  return std::wstring(text.data());
}
}  // namespace

HRESULT WmStreamConfig::CopyOf(IWMStreamConfig* config, WmStreamConfig** out) {
  if (!config || !out) return E_POINTER;
  GUID type;
  HRESULT hr = config->GetStreamType(&type);
  if (FAILED(hr)) return hr;
  auto* copy = new WmStreamConfig(type);
  config->GetStreamNumber(&copy->number_);
  config->GetBitrate(&copy->bitRate_);
  config->GetBufferWindow(&copy->bufferWindow_);
  copy->name_ = ReadName(&IWMStreamConfig::GetStreamName, config);
  copy->connection_ = ReadName(&IWMStreamConfig::GetConnectionName, config);
  IWMMediaProps* props = nullptr;
  if (SUCCEEDED(config->QueryInterface(__uuidof(IWMMediaProps), reinterpret_cast<void**>(&props)))) {
    DWORD size = 0;
    if (SUCCEEDED(props->GetMediaType(nullptr, &size)) && size >= sizeof(WM_MEDIA_TYPE)) {
      std::vector<BYTE> block(size);
      auto* mediaType = reinterpret_cast<WM_MEDIA_TYPE*>(block.data());
      if (SUCCEEDED(props->GetMediaType(mediaType, &size))) copy->mediaType_.Set(*mediaType);
    }
    props->Release();
  }
  *out = copy;
  return S_OK;
}

void* WmStreamConfig::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == __uuidof(IWMStreamConfig)) return static_cast<IWMStreamConfig*>(this);
  if (iid == __uuidof(IWMMediaProps)) return static_cast<IWMMediaProps*>(this);
  return nullptr;
}

STDMETHODIMP WmStreamConfig::GetStreamType(GUID* type) {
  if (!type) return E_POINTER;
  *type = streamType_;
  return S_OK;
}

STDMETHODIMP WmStreamConfig::GetStreamNumber(WORD* number) {
  if (!number) return E_POINTER;
  *number = number_;
  return S_OK;
}

STDMETHODIMP WmStreamConfig::SetStreamNumber(WORD number) {
  // Stream numbers of an ASF file run from 1 to 63.
  if (number < 1 || number > 63) return NS_E_INVALID_STREAM;
  number_ = number;
  return S_OK;
}

STDMETHODIMP WmStreamConfig::GetStreamName(WCHAR* name, WORD* length) { return CopyName(name_, name, length); }

STDMETHODIMP WmStreamConfig::SetStreamName(LPCWSTR_WMSDK_TYPE_SAFE name) {
  if (!name) return E_POINTER;
  name_ = name;
  return S_OK;
}

STDMETHODIMP WmStreamConfig::GetConnectionName(WCHAR* name, WORD* length) {
  return CopyName(connection_, name, length);
}

STDMETHODIMP WmStreamConfig::SetConnectionName(LPCWSTR_WMSDK_TYPE_SAFE name) {
  if (!name) return E_POINTER;
  connection_ = name;
  return S_OK;
}

STDMETHODIMP WmStreamConfig::GetBitrate(DWORD* bitRate) {
  if (!bitRate) return E_POINTER;
  *bitRate = bitRate_;
  return S_OK;
}

STDMETHODIMP WmStreamConfig::SetBitrate(DWORD bitRate) {
  bitRate_ = bitRate;
  return S_OK;
}

STDMETHODIMP WmStreamConfig::GetBufferWindow(DWORD* milliseconds) {
  if (!milliseconds) return E_POINTER;
  *milliseconds = bufferWindow_;
  return S_OK;
}

STDMETHODIMP WmStreamConfig::SetBufferWindow(DWORD milliseconds) {
  bufferWindow_ = milliseconds;
  return S_OK;
}

STDMETHODIMP WmStreamConfig::SetMediaType(WM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  if (type->majortype != streamType_) return NS_E_INVALID_INPUT_FORMAT;
  return mediaType_.Set(*type);
}

}  // namespace testbed
