#include "dshow/FilterBase.h"

#include <cwchar>

#include "dshow/Enumerators.h"

namespace dshow {

FilterBase::FilterBase(const CLSID& clsid) : clsid_(clsid) {}

void* FilterBase::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IBaseFilter || iid == IID_IMediaFilter ||
      iid == IID_IPersist)
    return static_cast<IBaseFilter*>(this);
  return nullptr;
}

STDMETHODIMP FilterBase::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

STDMETHODIMP FilterBase::Stop() {
  AutoLock lock(stateLock_);
  if (state_ == State_Stopped) return S_OK;
  if (state_ == State_Running) OnPauseFromRun();
  InterlockedExchange(&state_, State_Stopped);
  OnDeactivate();
  return S_OK;
}

STDMETHODIMP FilterBase::Pause() {
  AutoLock lock(stateLock_);
  if (state_ == State_Stopped) {
    HRESULT hr = OnActivate();
    if (FAILED(hr)) {
      OnDeactivate();
      return hr;
    }
  } else if (state_ == State_Running) {
    OnPauseFromRun();
  }
  InterlockedExchange(&state_, State_Paused);
  return IsLiveSource() ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP FilterBase::Run(REFERENCE_TIME start) {
  AutoLock lock(stateLock_);
  if (state_ == State_Stopped) {
    HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  {
    AutoLock timeLock(timeLock_);
    start_ = start;
    localStartMs_ = timeGetTime();
  }
  InterlockedExchange(&state_, State_Running);
  OnRun(start);
  return S_OK;
}

STDMETHODIMP FilterBase::GetState(DWORD, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  AutoLock lock(stateLock_);
  *state = State();
  return (state_ == State_Paused && IsLiveSource()) ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP FilterBase::SetSyncSource(IReferenceClock* clock) {
  AutoLock lock(timeLock_);
  if (clock) clock->AddRef();
  clock_ = ComPtr<IReferenceClock>::Attach(clock);
  return S_OK;
}

STDMETHODIMP FilterBase::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  AutoLock lock(timeLock_);
  *clock = clock_.Get();
  if (*clock) (*clock)->AddRef();
  return S_OK;
}

FILTER_STATE FilterBase::State() {
  // Read without the lock: streaming threads ask while a state change holds it.
  return static_cast<FILTER_STATE>(InterlockedCompareExchange(&state_, 0, 0));
}

REFERENCE_TIME FilterBase::StreamTimeNow() {
  AutoLock lock(timeLock_);
  if (clock_) {
    REFERENCE_TIME now = 0;
    if (SUCCEEDED(clock_->GetTime(&now))) return now - start_;
  }
  return static_cast<REFERENCE_TIME>(timeGetTime() - localStartMs_) * 10000;
}

REFERENCE_TIME FilterBase::RunStart() {
  AutoLock lock(timeLock_);
  return start_;
}

void FilterBase::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  AutoLock lock(timeLock_);
  if (eventSink_) eventSink_->Notify(code, param1, param2);
}

STDMETHODIMP FilterBase::EnumPins(IEnumPins** pins) {
  if (!pins) return E_POINTER;
  std::vector<IPin*> list;
  for (int i = 0; i < PinCount(); ++i) list.push_back(PinAt(i));
  *pins = new PinEnumerator(static_cast<IBaseFilter*>(this), std::move(list));
  return S_OK;
}

STDMETHODIMP FilterBase::FindPin(LPCWSTR id, IPin** pin) {
  if (!id || !pin) return E_POINTER;
  *pin = nullptr;
  for (int i = 0; i < PinCount(); ++i) {
    LPWSTR pinId = nullptr;
    if (SUCCEEDED(PinAt(i)->QueryId(&pinId))) {
      bool same = std::wcscmp(pinId, id) == 0;
      CoTaskMemFree(pinId);
      if (same) {
        *pin = PinAt(i);
        (*pin)->AddRef();
        return S_OK;
      }
    }
  }
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP FilterBase::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  wcsncpy(info->achName, name_.c_str(), MAX_FILTER_NAME - 1);
  info->achName[MAX_FILTER_NAME - 1] = 0;
  info->pGraph = graph_;
  if (graph_) graph_->AddRef();
  return S_OK;
}

STDMETHODIMP FilterBase::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  AutoLock lock(stateLock_);
  graph_ = graph;
  name_ = name ? name : L"";
  // The graph holds the filter, so a counted reference back would keep both alive: the
  // reference is given back at once and the pointer used only while the filter is joined.
  IMediaEventSink* sink = nullptr;
  if (graph && SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))))
    sink->Release();
  AutoLock timeLock(timeLock_);
  eventSink_ = sink;
  return S_OK;
}

STDMETHODIMP FilterBase::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

}  // namespace dshow
