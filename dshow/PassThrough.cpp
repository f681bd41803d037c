#include "dshow/PassThrough.h"

#include <algorithm>
#include <cstring>

namespace dshow {

bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  if (a.majortype != b.majortype || a.subtype != b.subtype || a.formattype != b.formattype ||
      a.cbFormat != b.cbFormat) {
    return false;
  }
  return a.cbFormat == 0 || (a.pbFormat && b.pbFormat && std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0);
}

// ---- Input pin ---------------------------------------------------------------------------

PassThroughInputPin::PassThroughInputPin(PassThroughFilter* filter, const wchar_t* name)
    : InputPin(filter, name), owner_(filter) {}

bool PassThroughInputPin::Accepts(const AM_MEDIA_TYPE& mt) {
  if (!owner_->AcceptsInput(mt)) return false;
  // With the output already connected the stream must stay one its receiver takes.
  ComPtr<IPin> downstream = Downstream();
  return !downstream || downstream->QueryAccept(&mt) == S_OK;
}

ComPtr<IPin> PassThroughInputPin::Downstream() {
  ComPtr<IPin> peer;
  if (FAILED(owner_->Output().ConnectedTo(peer.Out()))) return nullptr;
  return peer;
}

HRESULT PassThroughInputPin::OnReceive(IMediaSample* sample) {
  owner_->Process(sample);
  IMemInputPin* receiver = owner_->Output().Receiver();
  return receiver ? receiver->Receive(sample) : S_OK;
}

STDMETHODIMP PassThroughInputPin::EndOfStream() {
  InputPin::EndOfStream();
  return owner_->Output().IsConnected() ? owner_->Output().DeliverEndOfStream() : S_OK;
}

STDMETHODIMP PassThroughInputPin::BeginFlush() {
  InputPin::BeginFlush();
  ComPtr<IPin> downstream = Downstream();
  return downstream ? downstream->BeginFlush() : S_OK;
}

STDMETHODIMP PassThroughInputPin::EndFlush() {
  InputPin::EndFlush();
  ComPtr<IPin> downstream = Downstream();
  return downstream ? downstream->EndFlush() : S_OK;
}

STDMETHODIMP PassThroughInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  ComPtr<IPin> downstream = Downstream();
  return downstream ? downstream->NewSegment(start, stop, rate) : S_OK;
}

// ---- Output pin --------------------------------------------------------------------------

PassThroughOutputPin::PassThroughOutputPin(PassThroughFilter* filter, const wchar_t* name)
    : OutputPin(filter, name), owner_(filter) {}

std::vector<MediaType> PassThroughOutputPin::OfferedTypes() {
  if (!owner_->Input().IsConnected()) return {};
  return {owner_->Input().ConnectedType()};
}

bool PassThroughOutputPin::Accepts(const AM_MEDIA_TYPE& mt) {
  // Only the input's own stream passes: the filter converts nothing.
  if (!owner_->Input().IsConnected()) return false;
  return owner_->SameStream(owner_->Input().ConnectedType().Get(), mt);
}

void PassThroughOutputPin::DecideBufferSize(ALLOCATOR_PROPERTIES& props) { owner_->DecideOwnBuffers(props); }

HRESULT PassThroughOutputPin::NegotiateAllocator() {
  // Samples pass through in place, so the receiver is told of the upstream allocator.
  IMemAllocator* upstream = owner_->Input().Allocator();
  if (!upstream) return OutputPin::NegotiateAllocator();
  return Receiver()->NotifyAllocator(upstream, FALSE);
}

// ---- Filter ------------------------------------------------------------------------------

PassThroughFilter::PassThroughFilter(const CLSID& clsid, const wchar_t* inputName, const wchar_t* outputName)
    : FilterBase(clsid), input_(this, inputName), output_(this, outputName) {}

IPin* PassThroughFilter::PinAt(int index) {
  if (index == 0) return &input_;
  if (index == 1) return &output_;
  return nullptr;
}

bool PassThroughFilter::SameStream(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& mt) { return SameMediaType(in, mt); }

void PassThroughFilter::DecideOwnBuffers(ALLOCATOR_PROPERTIES& props) {
  if (props.cBuffers < 4) props.cBuffers = 4;
  props.cbBuffer = std::max<long>(props.cbBuffer, 64 * 1024);
}

}  // namespace dshow
