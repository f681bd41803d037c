#include "dshow/Pins.h"

#include <cstring>
#include <cwchar>

#include "dshow/Enumerators.h"

namespace dshow {

PinBase::PinBase(FilterBase* filter, const wchar_t* name, PIN_DIRECTION direction)
    : filter_(filter), name_(name), direction_(direction) {}

void* PinBase::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IPin) return static_cast<IPin*>(this);
  return nullptr;
}

STDMETHODIMP PinBase::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  AutoLock lock(filter_->StateLock());
  *pin = peer_.Get();
  if (!*pin) return VFW_E_NOT_CONNECTED;
  (*pin)->AddRef();
  return S_OK;
}

STDMETHODIMP PinBase::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  AutoLock lock(filter_->StateLock());
  if (!peer_) {
    *mt = AM_MEDIA_TYPE{};
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaTypeContents(*mt, type_.Get()) ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP PinBase::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  info->pFilter = filter_;
  filter_->AddRef();
  info->dir = direction_;
  wcsncpy(info->achName, name_.c_str(), MAX_PIN_NAME - 1);
  info->achName[MAX_PIN_NAME - 1] = 0;
  return S_OK;
}

STDMETHODIMP PinBase::QueryDirection(PIN_DIRECTION* direction) {
  if (!direction) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

STDMETHODIMP PinBase::QueryId(LPWSTR* id) {
  if (!id) return E_POINTER;
  size_t bytes = (name_.size() + 1) * sizeof(wchar_t);
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (!*id) return E_OUTOFMEMORY;
  std::memcpy(*id, name_.c_str(), bytes);
  return S_OK;
}

STDMETHODIMP PinBase::QueryAccept(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return Accepts(*mt) ? S_OK : S_FALSE;
}

STDMETHODIMP PinBase::EnumMediaTypes(IEnumMediaTypes** types) {
  if (!types) return E_POINTER;
  *types = new MediaTypeEnumerator(OfferedTypes());
  return S_OK;
}

STDMETHODIMP PinBase::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

STDMETHODIMP PinBase::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

// ---- Output pin -------------------------------------------------------------------------

OutputPin::OutputPin(FilterBase* filter, const wchar_t* name)
    : PinBase(filter, name, PINDIR_OUTPUT) {}

STDMETHODIMP OutputPin::Connect(IPin* receiver, const AM_MEDIA_TYPE* mt) {
  if (!receiver) return E_POINTER;
  AutoLock lock(filter_->StateLock());
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;

  bool complete = mt && mt->majortype != GUID_NULL && mt->subtype != GUID_NULL &&
                  mt->formattype != GUID_NULL && mt->pbFormat;
  if (complete) return TryConnect(receiver, *mt);

  for (const MediaType& offered : OfferedTypes()) {
    if (MatchesPartial(mt, offered.Get()) && SUCCEEDED(TryConnect(receiver, offered.Get())))
      return S_OK;
  }
  ComPtr<IEnumMediaTypes> theirs;
  if (SUCCEEDED(receiver->EnumMediaTypes(theirs.Out()))) {
    AM_MEDIA_TYPE* proposed = nullptr;
    while (theirs->Next(1, &proposed, nullptr) == S_OK) {
      bool connected = MatchesPartial(mt, *proposed) && SUCCEEDED(TryConnect(receiver, *proposed));
      DeleteMediaTypeCopy(proposed);
      if (connected) return S_OK;
    }
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT OutputPin::TryConnect(IPin* receiver, const AM_MEDIA_TYPE& mt) {
  if (!Accepts(mt)) return VFW_E_TYPE_NOT_ACCEPTED;
  type_ = MediaType(mt);
  HRESULT hr = receiver->ReceiveConnection(this, &mt);
  if (FAILED(hr)) {
    type_ = MediaType();
    return hr;
  }
  receiver->AddRef();
  peer_ = ComPtr<IPin>::Attach(receiver);
  hr = peer_.As(input_);
  if (SUCCEEDED(hr)) hr = NegotiateAllocator();
  if (FAILED(hr)) {
    receiver->Disconnect();
    peer_ = nullptr;
    input_ = nullptr;
    allocator_ = nullptr;
    type_ = MediaType();
    return hr;
  }
  return S_OK;
}

HRESULT OutputPin::OfferAllocator(IMemAllocator* allocator, bool readOnly) {
  ALLOCATOR_PROPERTIES wanted{};
  input_->GetAllocatorRequirements(&wanted);
  DecideBufferSize(wanted);
  if (wanted.cbAlign < 1) wanted.cbAlign = 1;
  ALLOCATOR_PROPERTIES actual{};
  HRESULT hr = allocator->SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  if (actual.cbBuffer < wanted.cbBuffer) return E_FAIL;
  hr = input_->NotifyAllocator(allocator, readOnly ? TRUE : FALSE);
  if (FAILED(hr)) return hr;
  allocator->AddRef();
  allocator_ = ComPtr<IMemAllocator>::Attach(allocator);
  return S_OK;
}

HRESULT OutputPin::NegotiateAllocator() {
  ComPtr<IMemAllocator> allocator;
  if (SUCCEEDED(input_->GetAllocator(allocator.Out())) && SUCCEEDED(OfferAllocator(allocator.Get(), false)))
    return S_OK;
  HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IMemAllocator, allocator.OutVoid());
  if (FAILED(hr)) return hr;
  return OfferAllocator(allocator.Get(), false);
}

STDMETHODIMP OutputPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) { return E_UNEXPECTED; }

STDMETHODIMP OutputPin::Disconnect() {
  AutoLock lock(filter_->StateLock());
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (!peer_) return S_FALSE;
  if (allocator_) allocator_->Decommit();
  peer_ = nullptr;
  input_ = nullptr;
  allocator_ = nullptr;
  type_ = MediaType();
  return S_OK;
}

STDMETHODIMP OutputPin::EndOfStream() { return E_UNEXPECTED; }
STDMETHODIMP OutputPin::BeginFlush() { return E_UNEXPECTED; }
STDMETHODIMP OutputPin::EndFlush() { return E_UNEXPECTED; }

HRESULT OutputPin::CommitAllocator() { return allocator_ ? allocator_->Commit() : S_FALSE; }

void OutputPin::DecommitAllocator() {
  if (allocator_) allocator_->Decommit();
}

HRESULT OutputPin::GetDeliveryBuffer(IMediaSample** sample) {
  if (!allocator_) return VFW_E_NOT_CONNECTED;
  return allocator_->GetBuffer(sample, nullptr, nullptr, 0);
}

HRESULT OutputPin::Deliver(IMediaSample* sample) {
  if (!input_) return VFW_E_NOT_CONNECTED;
  return input_->Receive(sample);
}

HRESULT OutputPin::DeliverEndOfStream() {
  if (!peer_) return VFW_E_NOT_CONNECTED;
  return peer_->EndOfStream();
}

// ---- Input pin --------------------------------------------------------------------------

InputPin::InputPin(FilterBase* filter, const wchar_t* name) : PinBase(filter, name, PINDIR_INPUT) {}

void* InputPin::FindInterface(REFIID iid) {
  if (iid == IID_IMemInputPin) return static_cast<IMemInputPin*>(this);
  return PinBase::FindInterface(iid);
}

STDMETHODIMP InputPin::Connect(IPin*, const AM_MEDIA_TYPE*) { return E_UNEXPECTED; }

STDMETHODIMP InputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) {
  if (!connector || !mt) return E_POINTER;
  AutoLock lock(filter_->StateLock());
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  PIN_DIRECTION theirs;
  if (FAILED(connector->QueryDirection(&theirs)) || theirs != PINDIR_OUTPUT)
    return VFW_E_INVALID_DIRECTION;
  if (!Accepts(*mt)) return VFW_E_TYPE_NOT_ACCEPTED;
  connector->AddRef();
  peer_ = ComPtr<IPin>::Attach(connector);
  type_ = MediaType(*mt);
  return S_OK;
}

STDMETHODIMP InputPin::Disconnect() {
  AutoLock lock(filter_->StateLock());
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (!peer_) return S_FALSE;
  peer_ = nullptr;
  allocator_ = nullptr;
  type_ = MediaType();
  return S_OK;
}

STDMETHODIMP InputPin::EndOfStream() {
  endOfStream_ = true;
  OnEndOfStream();
  return S_OK;
}

STDMETHODIMP InputPin::BeginFlush() {
  flushing_ = true;
  return S_OK;
}

STDMETHODIMP InputPin::EndFlush() {
  flushing_ = false;
  endOfStream_ = false;
  return S_OK;
}

STDMETHODIMP InputPin::GetAllocator(IMemAllocator** allocator) {
  if (!allocator) return E_POINTER;
  if (!allocator_) {
    HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IMemAllocator, allocator_.OutVoid());
    if (FAILED(hr)) return hr;
  }
  *allocator = allocator_.Get();
  (*allocator)->AddRef();
  return S_OK;
}

STDMETHODIMP InputPin::NotifyAllocator(IMemAllocator* allocator, BOOL) {
  if (!allocator) return E_POINTER;
  allocator->AddRef();
  allocator_ = ComPtr<IMemAllocator>::Attach(allocator);
  return S_OK;
}

STDMETHODIMP InputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

STDMETHODIMP InputPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  if (filter_->State() == State_Stopped) return VFW_E_WRONG_STATE;
  if (flushing_) return S_FALSE;
  return OnReceive(sample);
}

STDMETHODIMP InputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) {
  if (!samples || !processed) return E_POINTER;
  *processed = 0;
  HRESULT hr = S_OK;
  while (*processed < count && (hr = Receive(samples[*processed])) == S_OK) ++*processed;
  return hr;
}

STDMETHODIMP InputPin::ReceiveCanBlock() { return S_OK; }

}  // namespace dshow
