// A live capture source filter: the state changes of the filter drive its capture pins.
#pragma once
#include <memory>
#include <vector>

#include "testbed/com/CapturePin.h"

namespace testbed {

class CaptureFilter : public FilterBase, public IAMFilterMiscFlags {
public:
  explicit CaptureFilter(const CLSID& clsid) : FilterBase(clsid) {}
  ~CaptureFilter() override;
  DSHOW_IUNKNOWN

  STDMETHODIMP_(ULONG) GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_SOURCE; }
  int PinCount() override { return static_cast<int>(pins_.size()); }
  IPin* PinAt(int index) override { return pins_[index].get(); }

protected:
  void* FindInterface(REFIID iid) override;
  void AddPin(std::unique_ptr<CapturePin> pin) { pins_.push_back(std::move(pin)); }
  HRESULT OnActivate() override;
  void OnRun(REFERENCE_TIME start) override;
  void OnPauseFromRun() override;
  void OnDeactivate() override;
  bool IsLiveSource() const override { return true; }

private:
  std::vector<std::unique_ptr<CapturePin>> pins_;
};

}  // namespace testbed
