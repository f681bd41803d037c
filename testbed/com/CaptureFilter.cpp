#include "testbed/com/CaptureFilter.h"

#include "testbed/devices/DevicePresence.h"

namespace testbed {

CaptureFilter::~CaptureFilter() {
  for (auto& pin : pins_) pin->Deactivate();
}

void* CaptureFilter::FindInterface(REFIID iid) {
  if (iid == IID_IAMFilterMiscFlags) return static_cast<IAMFilterMiscFlags*>(this);
  return FilterBase::FindInterface(iid);
}

bool CaptureFilter::DevicePresent() {
  if (DevicePlugged(device_)) return true;
  if (!lostReported_.exchange(true)) {
    NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)), 0);
  }
  return false;
}

HRESULT CaptureFilter::OnActivate() {
  // A device that is away cannot be started, as a removed one's driver refuses.
  if (!DevicePlugged(device_)) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
  lostReported_ = false;
  for (auto& pin : pins_) {
    HRESULT hr = pin->Activate();
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

void CaptureFilter::OnRun(REFERENCE_TIME) {
  for (auto& pin : pins_) pin->Run();
}

void CaptureFilter::OnPauseFromRun() {
  for (auto& pin : pins_) pin->PauseFromRun();
}

void CaptureFilter::OnDeactivate() {
  for (auto& pin : pins_) pin->Deactivate();
}

}  // namespace testbed
