// The private window messages by which the filter graph's threads reach the main window.
#pragma once
#include <windows.h>

// The filter graph has events waiting (IMediaEventEx::SetNotifyWindow).
#define WM_GRAPHNOTIFY (WM_USER + 1)
// The grabber copied a frame for a snapshot.
#define WM_FRAMEREADY (WM_APP + 1)
