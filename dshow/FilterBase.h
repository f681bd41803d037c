// IBaseFilter for the filters: state, clock, graph membership and pin enumeration.
// A derived filter lists its pins and reacts to the state changes.
#pragma once
#include <string>

#include <dshow.h>

#include "framework/Handles.h"
#include "dshow/ComObject.h"
#include "dshow/Lock.h"

namespace dshow {

class FilterBase : public ComObject, public IBaseFilter {
public:
  explicit FilterBase(const CLSID& clsid);
  DSHOW_IUNKNOWN

  // IPersist
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  // IMediaFilter
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeoutMs, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

  virtual int PinCount() = 0;
  virtual IPin* PinAt(int index) = 0;

  FILTER_STATE State();
  // The stream time now: the graph clock minus the run's start time (0 while not running).
  REFERENCE_TIME StreamTimeNow();
  // The reference time at which stream time 0 fell in the current run.
  REFERENCE_TIME RunStart();
  // Sends an event to the graph's event sink, when the filter is in a graph.
  void NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
  // The graph holding the filter (not counted, as the graph holds the filter), or null.
  IFilterGraph* Graph() { return graph_; }
  CriticalSection& StateLock() { return stateLock_; }

protected:
  void* FindInterface(REFIID iid) override;
  // Stopped -> paused: connect resources, start streaming threads.
  virtual HRESULT OnActivate() { return S_OK; }
  // Paused -> running (start time given) and running -> paused.
  virtual void OnRun(REFERENCE_TIME start) {}
  virtual void OnPauseFromRun() {}
  // Any state -> stopped: stop threads, finish work.
  virtual void OnDeactivate() {}
  // A live source cannot deliver data while paused; GetState then answers VFW_S_CANT_CUE.
  virtual bool IsLiveSource() const { return false; }

private:
  const CLSID clsid_;
  CriticalSection stateLock_;
  CriticalSection timeLock_;  // clock and start time, read by streaming threads
  volatile LONG state_ = State_Stopped;  // a FILTER_STATE
  REFERENCE_TIME start_ = 0;
  DWORD localStartMs_ = 0;  // stands in for the clock when the graph gives none
  ComPtr<IReferenceClock> clock_;
  IFilterGraph* graph_ = nullptr;
  IMediaEventSink* eventSink_ = nullptr;  // not counted: the graph holds this filter
  std::wstring name_;
};

}  // namespace dshow
