// A live capture source filter: the state changes of the filter drive its capture pins. Its
// device can be unplugged from outside (DevicePresence.h): a running filter then stops delivering
// and reports EC_DEVICE_LOST, as a removed USB device does.
#pragma once
#include <atomic>
#include <memory>
#include <vector>

#include "testbed/com/CapturePin.h"

namespace testbed {

class CaptureFilter : public FilterBase, public IAMFilterMiscFlags {
public:
  // `device` names the device's unplug switch ("camera", "camera2", "microphone").
  CaptureFilter(const CLSID& clsid, const char* device) : FilterBase(clsid), device_(device) {}
  ~CaptureFilter() override;
  DSHOW_IUNKNOWN

  STDMETHODIMP_(ULONG) GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_SOURCE; }
  int PinCount() override { return static_cast<int>(pins_.size()); }
  IPin* PinAt(int index) override { return pins_[index].get(); }

  // Asked by the streaming threads before every sample: false once the device is unplugged. The
  // first answer of false in a run reports the loss to the graph (EC_DEVICE_LOST, removed).
  bool DevicePresent();

protected:
  void* FindInterface(REFIID iid) override;
  void AddPin(std::unique_ptr<CapturePin> pin) { pins_.push_back(std::move(pin)); }
  HRESULT OnActivate() override;
  void OnRun(REFERENCE_TIME start) override;
  void OnPauseFromRun() override;
  void OnDeactivate() override;
  bool IsLiveSource() const override { return true; }

private:
  const char* device_;
  std::atomic<bool> lostReported_{false};
  std::vector<std::unique_ptr<CapturePin>> pins_;
};

}  // namespace testbed
