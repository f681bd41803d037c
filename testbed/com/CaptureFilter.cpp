#include "testbed/com/CaptureFilter.h"

namespace testbed {

CaptureFilter::~CaptureFilter() {
  for (auto& pin : pins_) pin->Deactivate();
}

void* CaptureFilter::FindInterface(REFIID iid) {
  if (iid == IID_IAMFilterMiscFlags) return static_cast<IAMFilterMiscFlags*>(this);
  return FilterBase::FindInterface(iid);
}

HRESULT CaptureFilter::OnActivate() {
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
