// A profile of the Windows Media Format stand-in: its version and its streams, each kept as
// the copy made when it was added.
#pragma once
#include "testbed/com/Base.h"
#include "testbed/wmformat/WmStreamConfig.h"

#include <string>
#include <vector>

namespace testbed {

class WmProfile : public ComObject, public IWMProfile {
public:
  explicit WmProfile(WMT_VERSION version) : version_(version) {}
  ~WmProfile() override;
  DSHOW_IUNKNOWN

  STDMETHODIMP GetVersion(WMT_VERSION* version) override;
  STDMETHODIMP GetName(WCHAR* name, DWORD* length) override;
  STDMETHODIMP SetName(const WCHAR* name) override;
  STDMETHODIMP GetDescription(WCHAR* text, DWORD* length) override;
  STDMETHODIMP SetDescription(const WCHAR* text) override;
  STDMETHODIMP GetStreamCount(DWORD* count) override;
  STDMETHODIMP GetStream(DWORD index, IWMStreamConfig** config) override;
  STDMETHODIMP GetStreamByNumber(WORD number, IWMStreamConfig** config) override;
  STDMETHODIMP RemoveStream(IWMStreamConfig* config) override;
  STDMETHODIMP RemoveStreamByNumber(WORD number) override;
  // Keeps a copy of a stream with a number of its own and a media type of its major type.
  STDMETHODIMP AddStream(IWMStreamConfig* config) override;
  STDMETHODIMP ReconfigStream(IWMStreamConfig* config) override;
  STDMETHODIMP CreateNewStream(REFGUID streamType, IWMStreamConfig** config) override;
  // Mutual exclusion (streams of which a player picks one) is not offered.
  STDMETHODIMP GetMutualExclusionCount(DWORD* count) override;
  STDMETHODIMP GetMutualExclusion(DWORD, IWMMutualExclusion**) override { return E_NOTIMPL; }
  STDMETHODIMP RemoveMutualExclusion(IWMMutualExclusion*) override { return E_NOTIMPL; }
  STDMETHODIMP AddMutualExclusion(IWMMutualExclusion*) override { return E_NOTIMPL; }
  STDMETHODIMP CreateNewMutualExclusion(IWMMutualExclusion**) override { return E_NOTIMPL; }

  const std::vector<WmStreamConfig*>& Streams() const { return streams_; }

protected:
  void* FindInterface(REFIID iid) override;

private:
  WmStreamConfig* Find(WORD number) const;
  HRESULT Checked(IWMStreamConfig* config, WmStreamConfig** copy) const;

  WMT_VERSION version_;
  std::wstring name_;
  std::wstring description_;
  std::vector<WmStreamConfig*> streams_;  // one reference each
};

}  // namespace testbed
