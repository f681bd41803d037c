// The output pin of a live capture source: a streaming thread that produces samples at the
// pace of the graph clock while the graph runs, with the pin category (IKsPropertySet),
// the format choice (IAMStreamConfig) and the start/stop control (IAMStreamControl) that the
// capture graph builder uses.
#pragma once
#include "framework/Handles.h"
#include "testbed/com/Base.h"

namespace testbed {

class CaptureFilter;

class CapturePin : public OutputPin,
                   public IAMStreamConfig,
                   public IKsPropertySet,
                   public IAMStreamControl {
public:
  CapturePin(CaptureFilter* filter, const wchar_t* name, const GUID& category);
  ~CapturePin() override;
  DSHOW_IUNKNOWN_OWNED_BY(filter_)

  // IAMStreamConfig
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** mt) override;
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) override;
  // IKsPropertySet
  STDMETHODIMP Set(REFGUID set, DWORD id, LPVOID instance, DWORD instanceBytes, LPVOID data,
                   DWORD dataBytes) override;
  STDMETHODIMP Get(REFGUID set, DWORD id, LPVOID instance, DWORD instanceBytes, LPVOID data,
                   DWORD dataBytes, DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;
  // IAMStreamControl
  STDMETHODIMP StartAt(const REFERENCE_TIME* start, DWORD cookie) override;
  STDMETHODIMP StopAt(const REFERENCE_TIME* stop, BOOL sendExtra, DWORD cookie) override;
  STDMETHODIMP GetInfo(AM_STREAM_INFO* info) override;

  // Called by the filter under its state lock.
  HRESULT Activate();
  void Run();
  void PauseFromRun();
  void Deactivate();

  // The current format: the one set through IAMStreamConfig, else the default capability.
  MediaType CurrentFormat();

protected:
  void* FindInterface(REFIID iid) override;
  std::vector<MediaType> OfferedTypes() override;
  bool Accepts(const AM_MEDIA_TYPE& mt) override;

  // The formats the device produces; the first is the default.
  virtual std::vector<MediaType> Capabilities() = 0;
  // The caps structure of capability `index` (VIDEO_ or AUDIO_STREAM_CONFIG_CAPS).
  virtual int CapsSize() = 0;
  virtual void FillCaps(int index, BYTE* caps) = 0;
  // True for a type the device can produce (within the caps' ranges).
  virtual bool CanProduce(const AM_MEDIA_TYPE& mt) = 0;
  // True when `a` and `b` differ only in their rate, so a connection may keep running with b.
  virtual bool SamePictureOrSound(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) = 0;

  // Streaming thread side, on the connected type. Begin is called when streaming starts.
  virtual void BeginStreaming(const MediaType& type) = 0;
  virtual void EndStreaming() {}
  // The stream times of the next sample, and the stream time at which it is ready;
  // `now` lets a source skip what it has fallen behind on.
  virtual REFERENCE_TIME NextSample(REFERENCE_TIME now, REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
  // Fills the sample's buffer for [start, stop) and moves on to the next sample.
  virtual HRESULT FillSample(IMediaSample* sample, REFERENCE_TIME start, REFERENCE_TIME stop) = 0;

private:
  static DWORD WINAPI ThreadMain(void* self);
  void Stream();
  // True when a sample starting at stream time `start` passes the stream control.
  bool StreamControlPasses(REFERENCE_TIME start, REFERENCE_TIME stop);

  CaptureFilter* device_;  // the filter, which knows whether its device is still plugged in
  const GUID category_;
  MediaType format_;  // set through SetFormat; empty means the default
  UniqueHandle thread_;
  UniqueHandle stopEvent_;
  UniqueHandle runningEvent_;

  CriticalSection controlLock_;
  REFERENCE_TIME controlStart_;  // reference times; MIN runs, MAX holds
  REFERENCE_TIME controlStop_;
  DWORD startCookie_ = 0;
  DWORD stopCookie_ = 0;
  bool sendExtra_ = false;
  bool startNotified_ = true;
  bool stopNotified_ = true;
};

}  // namespace testbed
