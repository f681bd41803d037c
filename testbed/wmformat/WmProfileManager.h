// The profile manager of the Windows Media Format stand-in: empty profiles to build on, and
// the codec information of one Windows Media Video codec and the Windows Media Screen codec.
#pragma once
#include "testbed/com/Base.h"
#include "testbed/wmformat/WmMediaType.h"

namespace testbed {

class WmProfileManager : public ComObject, public IWMProfileManager, public IWMCodecInfo2 {
public:
  DSHOW_IUNKNOWN

  // IWMProfileManager: profiles of versions 4.0 to 9.0; stored and system profiles are not offered.
  STDMETHODIMP CreateEmptyProfile(WMT_VERSION version, IWMProfile** profile) override;
  STDMETHODIMP LoadProfileByID(REFGUID, IWMProfile**) override { return E_NOTIMPL; }
  STDMETHODIMP LoadProfileByData(const WCHAR*, IWMProfile**) override { return E_NOTIMPL; }
  STDMETHODIMP SaveProfile(IWMProfile*, WCHAR*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP GetSystemProfileCount(DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP LoadSystemProfile(DWORD, IWMProfile**) override { return E_NOTIMPL; }

  // IWMCodecInfo: each format as a stream configuration holding its media type.
  STDMETHODIMP GetCodecInfoCount(REFGUID majorType, DWORD* count) override;
  STDMETHODIMP GetCodecFormatCount(REFGUID majorType, DWORD codec, DWORD* count) override;
  STDMETHODIMP GetCodecFormat(REFGUID majorType, DWORD codec, DWORD format, IWMStreamConfig** config) override;
  // IWMCodecInfo2
  STDMETHODIMP GetCodecName(REFGUID majorType, DWORD codec, WCHAR* name, DWORD* length) override;
  STDMETHODIMP GetCodecFormatDesc(REFGUID majorType, DWORD codec, DWORD format, IWMStreamConfig** config,
                                  WCHAR* description, DWORD* length) override;

protected:
  void* FindInterface(REFIID iid) override;
};

}  // namespace testbed
