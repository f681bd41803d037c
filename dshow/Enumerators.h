// IEnumPins and IEnumMediaTypes over snapshots taken when the enumerator is made.
#pragma once
#include <vector>

#include "framework/Handles.h"
#include "dshow/ComObject.h"
#include "dshow/MediaType.h"

namespace dshow {

class PinEnumerator : public ComObject, public IEnumPins {
public:
  // Holds `owner` alive while the enumerator exists; the pins belong to it.
  PinEnumerator(IUnknown* owner, std::vector<IPin*> pins, size_t position = 0);
  DSHOW_IUNKNOWN
  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumPins** out) override;

protected:
  void* FindInterface(REFIID iid) override;

private:
  ComPtr<IUnknown> owner_;
  std::vector<IPin*> pins_;
  size_t position_;
};

class MediaTypeEnumerator : public ComObject, public IEnumMediaTypes {
public:
  MediaTypeEnumerator(std::vector<MediaType> types, size_t position = 0);
  DSHOW_IUNKNOWN
  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumMediaTypes** out) override;

protected:
  void* FindInterface(REFIID iid) override;

private:
  std::vector<MediaType> types_;
  size_t position_;
};

}  // namespace dshow
