// A stream of a profile (and a format of the codec information): IWMStreamConfig with the
// stream's media type through IWMMediaProps.
#pragma once
#include "testbed/com/Base.h"
#include "testbed/wmformat/WmMediaType.h"

#include <string>

namespace testbed {

class WmStreamConfig : public ComObject, public IWMStreamConfig, public IWMMediaProps {
public:
  explicit WmStreamConfig(const GUID& streamType) : streamType_(streamType) {}
  DSHOW_IUNKNOWN

  // Reads every setting of `config` (which may come from elsewhere) into a new stream.
  static HRESULT CopyOf(IWMStreamConfig* config, WmStreamConfig** out);

  // IWMStreamConfig
  STDMETHODIMP GetStreamType(GUID* type) override;
  STDMETHODIMP GetStreamNumber(WORD* number) override;
  STDMETHODIMP SetStreamNumber(WORD number) override;
  STDMETHODIMP GetStreamName(WCHAR* name, WORD* length) override;
  STDMETHODIMP SetStreamName(LPCWSTR_WMSDK_TYPE_SAFE name) override;
  STDMETHODIMP GetConnectionName(WCHAR* name, WORD* length) override;
  STDMETHODIMP SetConnectionName(LPCWSTR_WMSDK_TYPE_SAFE name) override;
  STDMETHODIMP GetBitrate(DWORD* bitRate) override;
  STDMETHODIMP SetBitrate(DWORD bitRate) override;
  STDMETHODIMP GetBufferWindow(DWORD* milliseconds) override;
  STDMETHODIMP SetBufferWindow(DWORD milliseconds) override;

  // IWMMediaProps
  STDMETHODIMP GetType(GUID* type) override { return GetStreamType(type); }
  STDMETHODIMP GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) override { return mediaType_.CopyTo(type, size); }
  // Refuses a type of another major type than the stream's.
  STDMETHODIMP SetMediaType(WM_MEDIA_TYPE* type) override;

  WORD Number() const { return number_; }
  DWORD BitRate() const { return bitRate_; }
  const std::wstring& Name() const { return name_; }
  const WmMediaType& MediaType() const { return mediaType_; }

protected:
  void* FindInterface(REFIID iid) override;

private:
  GUID streamType_;
  WORD number_ = 0;
  std::wstring name_;
  std::wstring connection_;
  DWORD bitRate_ = 0;
  DWORD bufferWindow_ = 0;
  WmMediaType mediaType_;
};

// Copies `text` into the caller's buffer of `*length` characters, terminator included; with
// a null buffer only the length is given.
HRESULT CopyName(const std::wstring& text, WCHAR* out, WORD* length);
// The same for buffers counted in a DWORD.
HRESULT CopyText(const std::wstring& text, WCHAR* out, DWORD* length);

}  // namespace testbed
