// What the capture engine needs from the main window that owns it.
#pragma once
#include "app/Settings.h"
#include "capture/CaptureDevices.h"

#include <windows.h>

class CaptureHost {
public:
  virtual ~CaptureHost() = default;

  // The main window: owner of graph notifications and frame notifications.
  virtual HWND MainWindow() const = 0;
  // The preview area (static control 1008), parent of the camera's video window.
  virtual HWND PreviewArea() const = 0;
  // The settings values: device indexes, EnableTitle and the overlay values.
  virtual Settings& CaptureSettings() = 0;
  // A camera arrived and the preview was rebuilt: enable the record button in its ready look.
  virtual void CameraArrived() = 0;
  // The camera or the microphone of the running recording was lost; the recording goes on
  // without it, which the teacher is told without a box.
  virtual void RecordingDeviceLost(DeviceKind kind) = 0;
  // It came back and the recording goes on with it.
  virtual void RecordingDeviceReturned(DeviceKind kind) = 0;
};
