// What the capture engine needs from the main window that owns it.
#pragma once
#include "app/Settings.h"

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
  // A camera arrived while a recording runs: end the recording (the record toggle).
  virtual void EndRecordingOnCameraArrival() = 0;
};
