#include "dshow/Enumerators.h"

namespace dshow {

PinEnumerator::PinEnumerator(IUnknown* owner, std::vector<IPin*> pins, size_t position)
    : pins_(std::move(pins)), position_(position) {
  owner->AddRef();
  owner_ = ComPtr<IUnknown>::Attach(owner);
}

void* PinEnumerator::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IEnumPins) return static_cast<IEnumPins*>(this);
  return nullptr;
}

STDMETHODIMP PinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (!pins || (count > 1 && !fetched)) return E_POINTER;
  ULONG n = 0;
  while (n < count && position_ < pins_.size()) {
    pins[n] = pins_[position_++];
    pins[n]->AddRef();
    ++n;
  }
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP PinEnumerator::Skip(ULONG count) {
  if (position_ + count > pins_.size()) {
    position_ = pins_.size();
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

STDMETHODIMP PinEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

STDMETHODIMP PinEnumerator::Clone(IEnumPins** out) {
  if (!out) return E_POINTER;
  *out = new PinEnumerator(owner_.Get(), pins_, position_);
  return S_OK;
}

MediaTypeEnumerator::MediaTypeEnumerator(std::vector<MediaType> types, size_t position)
    : types_(std::move(types)), position_(position) {}

void* MediaTypeEnumerator::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IEnumMediaTypes) return static_cast<IEnumMediaTypes*>(this);
  return nullptr;
}

STDMETHODIMP MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (!types || (count > 1 && !fetched)) return E_POINTER;
  ULONG n = 0;
  while (n < count && position_ < types_.size()) {
    types[n] = NewMediaTypeCopy(types_[position_].Get());
    if (!types[n]) break;
    ++position_;
    ++n;
  }
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP MediaTypeEnumerator::Skip(ULONG count) {
  if (position_ + count > types_.size()) {
    position_ = types_.size();
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

STDMETHODIMP MediaTypeEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

STDMETHODIMP MediaTypeEnumerator::Clone(IEnumMediaTypes** out) {
  if (!out) return E_POINTER;
  *out = new MediaTypeEnumerator(types_, position_);
  return S_OK;
}

}  // namespace dshow
