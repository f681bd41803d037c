#include "testbed/wmformat/WmProfileManager.h"

#include "testbed/wmformat/WmCodecs.h"
#include "testbed/wmformat/WmProfile.h"

#include <nserror.h>

namespace testbed {

namespace {
HRESULT FindFormat(REFGUID majorType, DWORD codec, DWORD format, const WmCodecFormat** found) {
  const std::vector<WmCodec>* codecs = CodecsOf(majorType);
  if (!codecs || codec >= codecs->size() || format >= (*codecs)[codec].formats.size()) return E_INVALIDARG;
  *found = &(*codecs)[codec].formats[format];
  return S_OK;
}
}  // namespace

void* WmProfileManager::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == __uuidof(IWMProfileManager)) return static_cast<IWMProfileManager*>(this);
  if (iid == __uuidof(IWMCodecInfo) || iid == __uuidof(IWMCodecInfo2)) return static_cast<IWMCodecInfo2*>(this);
  return nullptr;
}

STDMETHODIMP WmProfileManager::CreateEmptyProfile(WMT_VERSION version, IWMProfile** profile) {
  if (!profile) return E_POINTER;
  *profile = nullptr;
  if (version != WMT_VER_4_0 && version != WMT_VER_7_0 && version != WMT_VER_8_0 && version != WMT_VER_9_0) {
    return E_INVALIDARG;
  }
  *profile = new WmProfile(version);
  return S_OK;
}

STDMETHODIMP WmProfileManager::GetCodecInfoCount(REFGUID majorType, DWORD* count) {
  if (!count) return E_INVALIDARG;
  const std::vector<WmCodec>* codecs = CodecsOf(majorType);
  if (!codecs) return E_INVALIDARG;
  *count = static_cast<DWORD>(codecs->size());
  return S_OK;
}

STDMETHODIMP WmProfileManager::GetCodecFormatCount(REFGUID majorType, DWORD codec, DWORD* count) {
  if (!count) return E_INVALIDARG;
  const std::vector<WmCodec>* codecs = CodecsOf(majorType);
  if (!codecs || codec >= codecs->size()) return E_INVALIDARG;
  *count = static_cast<DWORD>((*codecs)[codec].formats.size());
  return S_OK;
}

STDMETHODIMP WmProfileManager::GetCodecFormat(REFGUID majorType, DWORD codec, DWORD format,
                                              IWMStreamConfig** config) {
  if (!config) return E_INVALIDARG;
  *config = nullptr;
  const WmCodecFormat* found = nullptr;
  HRESULT hr = FindFormat(majorType, codec, format, &found);
  if (FAILED(hr)) return hr;
  auto* stream = new WmStreamConfig(majorType);
  stream->SetBitrate(found->bitRate);
  stream->SetMediaType(const_cast<WM_MEDIA_TYPE*>(found->type.Get()));
  *config = stream;
  return S_OK;
}

STDMETHODIMP WmProfileManager::GetCodecName(REFGUID majorType, DWORD codec, WCHAR* name, DWORD* length) {
  const std::vector<WmCodec>* codecs = CodecsOf(majorType);
  if (!codecs || codec >= codecs->size()) return E_INVALIDARG;
  return CopyText((*codecs)[codec].name, name, length);
}

STDMETHODIMP WmProfileManager::GetCodecFormatDesc(REFGUID majorType, DWORD codec, DWORD format,
                                                  IWMStreamConfig** config, WCHAR* description, DWORD* length) {
  const WmCodecFormat* found = nullptr;
  HRESULT hr = FindFormat(majorType, codec, format, &found);
  if (FAILED(hr)) return hr;
  hr = CopyText(found->description, description, length);
  if (FAILED(hr) || !config) return hr;
  return GetCodecFormat(majorType, codec, format, config);
}

}  // namespace testbed
