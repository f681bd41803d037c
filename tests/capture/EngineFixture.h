// A capture engine over fake DirectShow objects, with a host of real windows, a call log that
// also records every message box, and a check that every fake was released at the end.
#pragma once
#include "capture/CaptureEngine.h"
#include "framework/MessageBox.h"
#include "tests/capture/DShowFakes.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class FakeHost : public CaptureHost {
public:
  FakeHost();
  ~FakeHost() override;
  HWND MainWindow() const override { return main_; }
  HWND PreviewArea() const override { return preview_; }
  Settings& CaptureSettings() override { return settings; }
  void CameraArrived() override { fakes::Calls().push_back("host CameraArrived"); }
  void RecordingDeviceLost(DeviceKind kind) override {
    fakes::Calls().push_back(kind == DeviceKind::Video ? "host camera lost" : "host microphone lost");
  }
  void RecordingDeviceReturned(DeviceKind kind) override {
    fakes::Calls().push_back(kind == DeviceKind::Video ? "host camera back" : "host microphone back");
  }

  Settings settings;

private:
  HWND main_ = nullptr;
  HWND preview_ = nullptr;
};

class EngineTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Calls logged since the last Clear, boxes included as "box <caption>: <text>".
  std::vector<std::string> TakeCalls();
  std::string Box(const std::string& text) const { return "box Error!: " + text; }
  std::string Hex(HWND window) const { return fakes::HexValue(reinterpret_cast<UINT_PTR>(window)); }
  // The calls of a successful preview build with a camera named `camera` and no video port,
  // and the microphone `microphone` metered (none when empty).
  std::vector<std::string> PreviewCalls(const std::string& camera, const std::string& microphone = "mic0") const;
  // The engine's preview after one camera and one microphone were enumerated and chosen.
  void StartPreviewWith(const std::string& camera = "cam0");
  // Registers the fakes for every class the engine creates (again, after a test removed some).
  void RegisterFakes();
  int LiveAtStart() const { return liveAtStart_; }

public:
  // The knobs are public so that table-driven cases can arrange them.
  FakeHost host;
  fakes::FakeComFactory factory;
  fakes::FakeDeviceEnumerator* devices = nullptr;  // one reference held by the test
  std::unique_ptr<CaptureEngine> engine;
  std::vector<UINT> boxTypes;

  // Set-up of the next objects the engine creates.
  std::function<void(fakes::FakeGraph*)> configureGraph;
  std::function<void(fakes::FakeCaptureBuilder*)> configureBuilder;
  std::function<void(fakes::FakeSampleGrabber*)> configureGrabber;
  fakes::FakeGraph* lastGraph = nullptr;          // borrowed; valid while the engine holds it
  fakes::FakeSampleGrabber* lastGrabber = nullptr;
  fakes::FakeAsfWriter* lastWriter = nullptr;
  fakes::FakeTitleOverlay* lastOverlay = nullptr;
  std::function<void(fakes::FakeTitleOverlay*)> configureOverlay;

private:
  int liveAtStart_ = 0;
  MessageBoxHandler previousBoxes_;
};
