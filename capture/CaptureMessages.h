// The private window messages by which the filter graph's threads, and the engine itself, reach the main window.
#pragma once
#include <windows.h>

// The filter graph has events waiting (IMediaEventEx::SetNotifyWindow).
#define WM_GRAPHNOTIFY (WM_USER + 1)
// The grabber copied a frame for a snapshot.
#define WM_FRAMEREADY (WM_APP + 1)
// A capture device came or went during a recording; the engine looks at the recording's devices
// once the device notification, which another process sends, has been answered.
#define WM_RECORDINGDEVICES (WM_APP + 2)
