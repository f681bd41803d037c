// The IPin plumbing of the filters: an output pin that pushes samples through
// IMemInputPin with an allocator it negotiates, and an input pin that receives them.
#pragma once
#include <string>
#include <vector>

#include "dshow/FilterBase.h"
#include "dshow/MediaType.h"

namespace dshow {

// What both pin kinds share: name, owner, connection and media type.
class PinBase : public IPin {
public:
  PinBase(FilterBase* filter, const wchar_t* name, PIN_DIRECTION direction);
  virtual ~PinBase() = default;
  DSHOW_IUNKNOWN_OWNED_BY(filter_)

  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  bool IsConnected() const { return static_cast<bool>(peer_); }
  // The media type of the connection (empty while unconnected).
  const MediaType& ConnectedType() const { return type_; }

protected:
  virtual void* FindInterface(REFIID iid);
  // The types this pin proposes, best first.
  virtual std::vector<MediaType> OfferedTypes() = 0;
  virtual bool Accepts(const AM_MEDIA_TYPE& mt) = 0;

  FilterBase* filter_;
  std::wstring name_;
  PIN_DIRECTION direction_;
  ComPtr<IPin> peer_;
  MediaType type_;
};

class OutputPin : public PinBase {
public:
  OutputPin(FilterBase* filter, const wchar_t* name);

  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;

  // Stopped -> paused and back: the allocator's buffers exist only in between.
  HRESULT CommitAllocator();
  void DecommitAllocator();
  // A free buffer of the allocator; blocks while all are in use.
  HRESULT GetDeliveryBuffer(IMediaSample** sample);
  HRESULT Deliver(IMediaSample* sample);
  HRESULT DeliverEndOfStream();

protected:
  // Fills in the buffer count and size for the connected type.
  virtual void DecideBufferSize(ALLOCATOR_PROPERTIES& props) = 0;
  // The connection type changed in place (for instance its frame rate).
  void SetConnectedType(const MediaType& mt) { type_ = mt; }
  // Agrees on the allocator with the connected receiver; a filter that passes its input's
  // samples on gives the receiver the upstream allocator instead.
  virtual HRESULT NegotiateAllocator();
  // The connected receiver's IMemInputPin, or null.
  IMemInputPin* Receiver() const { return input_.Get(); }

private:
  HRESULT TryConnect(IPin* receiver, const AM_MEDIA_TYPE& mt);
  HRESULT OfferAllocator(IMemAllocator* allocator, bool readOnly);

  ComPtr<IMemInputPin> input_;
  ComPtr<IMemAllocator> allocator_;
};

class InputPin : public PinBase, public IMemInputPin {
public:
  InputPin(FilterBase* filter, const wchar_t* name);
  DSHOW_IUNKNOWN_OWNED_BY(filter_)

  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;

  // IMemInputPin
  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
  STDMETHODIMP ReceiveCanBlock() override;

  bool AtEndOfStream() const { return endOfStream_; }
  // The allocator the upstream pin chose for this connection, or null.
  IMemAllocator* Allocator() const { return allocator_.Get(); }
  void ResetEndOfStream() { endOfStream_ = false; }

protected:
  void* FindInterface(REFIID iid) override;
  std::vector<MediaType> OfferedTypes() override { return {}; }
  // One sample while the filter is paused or running.
  virtual HRESULT OnReceive(IMediaSample* sample) = 0;
  virtual void OnEndOfStream() {}

private:
  ComPtr<IMemAllocator> allocator_;
  volatile bool flushing_ = false;
  volatile bool endOfStream_ = false;
};

}  // namespace dshow
