#include "testbed/com/CapturePin.h"

#include "testbed/com/CaptureFilter.h"

#include <climits>
#include <cstring>

namespace testbed {
namespace {

constexpr REFERENCE_TIME kMaxTime = LLONG_MAX;
constexpr REFERENCE_TIME kMinTime = LLONG_MIN;

}  // namespace

CapturePin::CapturePin(CaptureFilter* filter, const wchar_t* name, const GUID& category)
    : OutputPin(filter, name), device_(filter), category_(category), controlStart_(kMinTime), controlStop_(kMaxTime) {}

CapturePin::~CapturePin() { Deactivate(); }

void* CapturePin::FindInterface(REFIID iid) {
  if (iid == IID_IAMStreamConfig) return static_cast<IAMStreamConfig*>(this);
  if (iid == IID_IKsPropertySet) return static_cast<IKsPropertySet*>(this);
  if (iid == IID_IAMStreamControl) return static_cast<IAMStreamControl*>(this);
  return OutputPin::FindInterface(iid);
}

MediaType CapturePin::CurrentFormat() {
  AutoLock lock(filter_->StateLock());
  if (IsConnected()) return ConnectedType();
  if (!format_.Empty()) return format_;
  std::vector<MediaType> caps = Capabilities();
  return caps.empty() ? MediaType() : caps.front();
}

std::vector<MediaType> CapturePin::OfferedTypes() {
  // Once a format is chosen the pin connects with it only, as capture drivers do.
  if (!format_.Empty()) return {format_};
  return Capabilities();
}

bool CapturePin::Accepts(const AM_MEDIA_TYPE& mt) {
  if (!CanProduce(mt)) return false;
  return format_.Empty() || SamePictureOrSound(format_.Get(), mt);
}

STDMETHODIMP CapturePin::SetFormat(AM_MEDIA_TYPE* mt) {
  AutoLock lock(filter_->StateLock());
  if (!mt) {
    if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
    format_ = MediaType();
    return S_OK;
  }
  if (!CanProduce(*mt)) return VFW_E_INVALIDMEDIATYPE;
  if (!IsConnected()) {
    format_ = MediaType(*mt);
    return S_OK;
  }
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (SamePictureOrSound(ConnectedType().Get(), *mt)) {
    // Only the rate changes: the buffers downstream still fit, the connection stays.
    format_ = MediaType(*mt);
    SetConnectedType(format_);
    return S_OK;
  }
  if (peer_->QueryAccept(mt) != S_OK) return VFW_E_INVALIDMEDIATYPE;
  ComPtr<IFilterGraph2> graph;
  if (!filter_->Graph() ||
      FAILED(filter_->Graph()->QueryInterface(IID_IFilterGraph2, graph.OutVoid())))
    return VFW_E_NOT_IN_GRAPH;
  MediaType previous = format_;
  format_ = MediaType(*mt);
  HRESULT hr = graph->ReconnectEx(this, mt);
  if (FAILED(hr)) format_ = previous;
  return hr;
}

STDMETHODIMP CapturePin::GetFormat(AM_MEDIA_TYPE** mt) {
  if (!mt) return E_POINTER;
  MediaType current = CurrentFormat();
  if (current.Empty()) return E_FAIL;
  *mt = NewMediaTypeCopy(current.Get());
  return *mt ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CapturePin::GetNumberOfCapabilities(int* count, int* size) {
  if (!count || !size) return E_POINTER;
  *count = static_cast<int>(Capabilities().size());
  *size = CapsSize();
  return S_OK;
}

STDMETHODIMP CapturePin::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) {
  if (!mt || !caps) return E_POINTER;
  std::vector<MediaType> all = Capabilities();
  if (index < 0 || index >= static_cast<int>(all.size())) return S_FALSE;
  *mt = NewMediaTypeCopy(all[index].Get());
  if (!*mt) return E_OUTOFMEMORY;
  FillCaps(index, caps);
  return S_OK;
}

STDMETHODIMP CapturePin::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) {
  return E_PROP_ID_UNSUPPORTED;
}

STDMETHODIMP CapturePin::Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD dataBytes,
                             DWORD* returned) {
  if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (returned) *returned = sizeof(GUID);
  if (!data) return returned ? S_OK : E_POINTER;
  if (dataBytes < sizeof(GUID)) return E_UNEXPECTED;
  std::memcpy(data, &category_, sizeof(GUID));
  return S_OK;
}

STDMETHODIMP CapturePin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (support) *support = KSPROPERTY_SUPPORT_GET;
  return S_OK;
}

STDMETHODIMP CapturePin::StartAt(const REFERENCE_TIME* start, DWORD cookie) {
  AutoLock lock(controlLock_);
  if (!start) {
    controlStart_ = kMinTime;
    startNotified_ = true;
  } else if (*start == kMaxTime) {
    // Cancelling the start holds the stream back until the next StartAt.
    controlStart_ = kMaxTime;
    startNotified_ = true;
  } else {
    controlStart_ = *start;
    startCookie_ = cookie;
    startNotified_ = false;
  }
  // A stop that falls before the new start is overtaken by it.
  REFERENCE_TIME from = start ? *start : filter_->RunStart() + filter_->StreamTimeNow();
  if (controlStart_ != kMaxTime && controlStop_ <= from) controlStop_ = kMaxTime;
  return S_OK;
}

STDMETHODIMP CapturePin::StopAt(const REFERENCE_TIME* stop, BOOL sendExtra, DWORD cookie) {
  AutoLock lock(controlLock_);
  if (stop && *stop == kMaxTime) {
    controlStop_ = kMaxTime;
    stopNotified_ = true;
    return S_OK;
  }
  controlStop_ = stop ? *stop : kMinTime;
  stopCookie_ = cookie;
  sendExtra_ = sendExtra != FALSE;
  stopNotified_ = false;
  return S_OK;
}

STDMETHODIMP CapturePin::GetInfo(AM_STREAM_INFO* info) {
  if (!info) return E_POINTER;
  AutoLock lock(controlLock_);
  info->tStart = controlStart_;
  info->tStop = controlStop_;
  info->dwStartCookie = startCookie_;
  info->dwStopCookie = stopCookie_;
  info->dwFlags = 0;
  if (controlStart_ != kMinTime) info->dwFlags |= AM_STREAM_INFO_START_DEFINED;
  if (controlStop_ != kMaxTime) info->dwFlags |= AM_STREAM_INFO_STOP_DEFINED;
  REFERENCE_TIME now = filter_->RunStart() + filter_->StreamTimeNow();
  if (filter_->State() != State_Running || now < controlStart_ || now >= controlStop_)
    info->dwFlags |= AM_STREAM_INFO_DISCARDING;
  return S_OK;
}

bool CapturePin::StreamControlPasses(REFERENCE_TIME start, REFERENCE_TIME) {
  AutoLock lock(controlLock_);
  REFERENCE_TIME at = filter_->RunStart() + start;
  if (at < controlStart_) return false;
  if (at >= controlStop_) {
    if (!stopNotified_) {
      stopNotified_ = true;
      filter_->NotifyEvent(EC_STREAM_CONTROL_STOPPED, reinterpret_cast<LONG_PTR>(static_cast<IPin*>(this)),
                           stopCookie_);
      if (sendExtra_) return true;
    }
    return false;
  }
  if (!startNotified_) {
    startNotified_ = true;
    filter_->NotifyEvent(EC_STREAM_CONTROL_STARTED, reinterpret_cast<LONG_PTR>(static_cast<IPin*>(this)),
                         startCookie_);
  }
  return true;
}

HRESULT CapturePin::Activate() {
  if (!IsConnected() || thread_) return S_OK;
  HRESULT hr = CommitAllocator();
  if (FAILED(hr)) return hr;
  stopEvent_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  runningEvent_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  thread_.Reset(CreateThread(nullptr, 0, &CapturePin::ThreadMain, this, 0, nullptr));
  if (!stopEvent_ || !runningEvent_ || !thread_) {
    Deactivate();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

void CapturePin::Run() {
  if (runningEvent_) SetEvent(runningEvent_.Get());
}

void CapturePin::PauseFromRun() {
  if (runningEvent_) ResetEvent(runningEvent_.Get());
}

void CapturePin::Deactivate() {
  if (stopEvent_) SetEvent(stopEvent_.Get());
  DecommitAllocator();  // wakes a thread waiting for a buffer
  if (thread_) WaitForSingleObject(thread_.Get(), INFINITE);
  thread_.Reset();
  stopEvent_.Reset();
  runningEvent_.Reset();
}

DWORD WINAPI CapturePin::ThreadMain(void* self) {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  static_cast<CapturePin*>(self)->Stream();
  CoUninitialize();
  return 0;
}

void CapturePin::Stream() {
  BeginStreaming(ConnectedType());
  HANDLE stopOrRun[2] = {stopEvent_.Get(), runningEvent_.Get()};
  for (;;) {
    if (WaitForMultipleObjects(2, stopOrRun, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
    if (!device_->DevicePresent()) {
      // An unplugged device delivers nothing more until the graph stops it.
      WaitForSingleObject(stopEvent_.Get(), INFINITE);
      break;
    }
    REFERENCE_TIME now = filter_->StreamTimeNow();
    REFERENCE_TIME start = 0, stop = 0;
    REFERENCE_TIME ready = NextSample(now, &start, &stop);
    if (ready > now) {
      DWORD waitMs = static_cast<DWORD>((ready - now + 9999) / 10000);
      if (WaitForSingleObject(stopEvent_.Get(), waitMs) == WAIT_OBJECT_0) break;
      continue;
    }
    ComPtr<IMediaSample> sample;
    if (FAILED(GetDeliveryBuffer(sample.Out()))) {
      if (WaitForSingleObject(stopEvent_.Get(), 10) == WAIT_OBJECT_0) break;
      continue;
    }
    if (FAILED(FillSample(sample.Get(), start, stop))) continue;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    // A refused sample (the graph is stopping, or the sink failed) does not end capture;
    // the graph's own state change ends the thread.
    if (StreamControlPasses(start, stop)) Deliver(sample.Get());
  }
  EndStreaming();
}

}  // namespace testbed
