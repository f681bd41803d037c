// A filter with one input and one output of the same media type that looks at every sample on
// the streaming thread and passes it on unchanged in place, on the upstream allocator. A derived
// filter says which types it takes and what it does with a sample. With its output unconnected
// the filter is the end of its stream and the samples stop there.
#pragma once
#include <vector>

#include "dshow/FilterBase.h"
#include "dshow/Pins.h"

namespace dshow {

class PassThroughFilter;

class PassThroughInputPin : public InputPin {
public:
  PassThroughInputPin(PassThroughFilter* filter, const wchar_t* name);
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

protected:
  bool Accepts(const AM_MEDIA_TYPE& mt) override;
  HRESULT OnReceive(IMediaSample* sample) override;

private:
  // The pin connected to the filter's output, with a reference, or null.
  ComPtr<IPin> Downstream();

  PassThroughFilter* owner_;
};

class PassThroughOutputPin : public OutputPin {
public:
  PassThroughOutputPin(PassThroughFilter* filter, const wchar_t* name);
  using OutputPin::Receiver;

protected:
  std::vector<MediaType> OfferedTypes() override;
  bool Accepts(const AM_MEDIA_TYPE& mt) override;
  void DecideBufferSize(ALLOCATOR_PROPERTIES& props) override;
  HRESULT NegotiateAllocator() override;

private:
  PassThroughFilter* owner_;
};

class PassThroughFilter : public FilterBase {
public:
  PassThroughFilter(const CLSID& clsid, const wchar_t* inputName, const wchar_t* outputName);

  int PinCount() override { return 2; }
  IPin* PinAt(int index) override;
  PassThroughInputPin& Input() { return input_; }
  PassThroughOutputPin& Output() { return output_; }

  // The input types the filter takes.
  virtual bool AcceptsInput(const AM_MEDIA_TYPE& mt) = 0;
  // Looks at (or changes in place) one sample before it is passed on; streaming thread.
  virtual void Process(IMediaSample* sample) = 0;
  // Whether the output may carry `mt` while the input carries `in` (the same stream).
  virtual bool SameStream(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& mt);
  // Buffers of the filter's own allocator, used only when the output was connected first.
  virtual void DecideOwnBuffers(ALLOCATOR_PROPERTIES& props);

private:
  PassThroughInputPin input_;
  PassThroughOutputPin output_;
};

// True when two media types have the same major type, subtype, format type and format block.
bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);

}  // namespace dshow
