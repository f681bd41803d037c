// The camera capture engine: the capture devices, the live preview graph, the recording graph
// into the WM ASF Writer, the title overlay, the frame grabber and the Windows Media profile.
// It lives in the main window and runs on its thread.
#pragma once
#include "capture/CaptureDevices.h"
#include "capture/CaptureHost.h"
#include "capture/DShowInterfaces.h"
#include "capture/ScreenProfileWriter.h"
#include "dshow/SoundLevelTap.h"
#include "framework/Handles.h"

#include <memory>
#include <string>
#include <vector>

// Shown when the WM ASF Writer refuses the lesson's video file: only the screen is recorded.
extern const char kVideoFileRefused[];

class CaptureEngine {
public:
  explicit CaptureEngine(CaptureHost& host);
  ~CaptureEngine();
  CaptureEngine(const CaptureEngine&) = delete;
  CaptureEngine& operator=(const CaptureEngine&) = delete;

  // Devices.
  void EnumerateCaptureDevices();
  void SelectDevicesByIndex(int videoIndex, int audioIndex);
  void SetCurrentDevices(IMoniker* video, IMoniker* audio);
  ComPtr<IBaseFilter> FindCaptureFilter(DeviceKind kind);
  // Sets a device index to 0 when it is negative or not below the device count.
  void ClampDeviceIndexes();
  // Commands 16 to 25 choose a video slot, 26 to 35 an audio slot; false for other ids.
  bool HandleDeviceCommand(int id);

  // Preview graph.
  HRESULT BuildPreviewGraph();
  void TearDownGraph();

  // Recording graph, in the order the recording session calls them. During a recording whose
  // camera or microphone is away they build a graph of the device that is present.
  bool BuildRecordingGraph();
  bool ConnectRecordingGraph(const std::string& videoOutputPath);
  bool StartRecordingGraph();
  // Pauses the running recording graph, so that the writer's timeline stands still; false when
  // the graph refused and records on. Without a recording graph there is nothing to pause.
  bool PauseRecordingGraph();
  // While the recording graph is paused its microphone delivers nothing: a graph of its own plays
  // the microphone into the level meter alone until the resume or the teardown. Nothing here may
  // stop the pause; without it the meter just shows no level.
  void ListenWhilePaused();
  void StopListening();
  // Runs the paused recording graph again, its timeline going on from where it stood. When it
  // will not run, the graph is stopped, which closes the video file with all recorded so far,
  // the preview comes back and the Part's message is shown; false then.
  bool ResumeRecordingGraph();

  // The parts of a recording's camera file (DeviceDropouts.cpp). A recording starts with its
  // first part and the devices chosen now. A lost camera or microphone closes the running part
  // whole and the recording goes on without it in the next part (video-2.wmv, ...), and with it
  // again in the part after once it is back; the screen recording is never touched.
  void BeginRecordingParts(const std::string& firstVideoPath);
  // Whether the recording's device of that kind is away now.
  bool DeviceAway(DeviceKind kind) const;
  // The number of the part being recorded (1 for the first part).
  int RecordingPart() const { return videoPart_; }
  // WM_RECORDINGDEVICES, posted on a device change during a recording: the device lists are
  // refreshed, a recording's device that is gone is lost, one that is back returns.
  void CheckRecordingDevices();

  bool ConfigureTitleOverlay();
  HRESULT SetGrabberMediaType();
  HRESULT ConfigureGrabberCallback();

  // Plug-in detection through RegisterDeviceNotificationA, looked up in user32 by name.
  void RegisterDeviceNotification();
  void UnregisterDeviceNotification();
  // WM_DEVICECHANGE; false when it is not an arrival or removal of a capture device interface.
  bool HandleDeviceChange(WPARAM event, LPARAM data);
  // WM_GRAPHNOTIFY.
  void HandleGraphEvents();

  // The microphone's level, measured in the sound's path of whichever graph runs.
  const dshow::SoundLevelTap& MicrophoneLevel() const { return *microphoneLevel_; }
  // Whether the current graph's sound passes the level meter, so that the level is the
  // microphone's (cleared by the teardown).
  bool MicrophoneMetered() const { return microphoneMetered_; }

  // The Windows Media profile objects, prepared once at start-up.
  void InitScreenProfileWriter();
  ScreenProfileWriter screenWriter;

  // The graph and its parts; each holds one reference and is null when absent.
  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IBaseFilter> videoCapture;
  ComPtr<IBaseFilter> audioCapture;
  ComPtr<IMediaEventEx> graphEvents;
  ComPtr<IAMStreamConfig> videoStreamConfig;
  ComPtr<IBaseFilter> titleOverlay;
  ComPtr<IBaseFilter> asfWriter;
  ComPtr<ISampleGrabber> grabber;
  ComPtr<IVideoWindow> videoWindow;

  DeviceSlots videoDevices;
  DeviceSlots audioDevices;

  int capturing = 0;            // a recording runs (the recording session sets and clears it)
  int previewStarted = 0;       // a preview graph has run; never cleared
  int devicesChanged = 0;       // the settings dialog changed the device choice
  int recordingGraphBuilt = 0;  // every filter of the recording graph was added
  int asfWriterAddFailed = 0;   // the WM ASF Writer could not be added; the session clears it
  double captureFrameRate = 15.0;

private:
  DeviceSlots& Devices(DeviceKind kind) { return kind == DeviceKind::Video ? videoDevices : audioDevices; }
  SIZE PreviewAreaSize() const;
  // Width and height of the camera's frames, in which the title's start position is measured.
  SIZE TitlePictureSize() const;
  void PlaceVideoWindow(IVideoWindow* window);
  // Preview pin through the grabber, falling back to the capture pin; the result is not used.
  void RenderPreviewThroughGrabber(IBaseFilter* sink);
  // Whether the capture filter has a video-port output pin.
  bool HasVideoPortPin();
  void NotifyMainWindow();
  void SetCaptureFrameRate();
  // The notice shown when the graph aborts or loses the camera while recording.
  void CaptureNotice();
  // Whether the device of an EC_DEVICE_LOST event is `filter` of the current graph.
  static bool IsGraphDevice(LONG_PTR device, IBaseFilter* filter);
  // The preview's sound branch: the current microphone into the level meter, recorded nowhere.
  void MeterPreviewMicrophone();
  // The recording's sound into the writer through the level meter, or straight when the meter
  // cannot be placed; false when the sound cannot be connected at all.
  bool RenderMeteredSound();

  // The recording graph's own steps for the camera.
  bool AddRecordedCamera();
  bool ConnectRecordedCamera();

  // A recording's device: what tells it again, and whether it is away.
  struct RecordingDevice {
    DeviceIdentity identity;
    bool away = false;
  };
  RecordingDevice& Recording(DeviceKind kind) { return kind == DeviceKind::Video ? recordingVideo_ : recordingAudio_; }
  const RecordingDevice& Recording(DeviceKind kind) const {
    return kind == DeviceKind::Video ? recordingVideo_ : recordingAudio_;
  }
  // Whether the graph being built records the device: a new recording records both.
  bool Records(DeviceKind kind) const { return !(capturing && Recording(kind).away); }
  // The writer takes its profile less the missing device's stream; false when it cannot.
  bool ConfigureWriterWithout(DeviceKind missing);
  // The device of the running recording is gone: its part ends, the next goes on without it.
  void LoseRecordingDevice(DeviceKind kind);
  // Closes the running part and records the devices that are present into the next; false
  // when nothing could be started (no device is present, or the graph failed).
  bool RecordNextPart();

  RecordingDevice recordingVideo_;
  RecordingDevice recordingAudio_;
  std::string firstVideoPath_;
  int videoPart_ = 0;
  // Interface paths of the removals announced since the devices were last looked at.
  std::vector<std::string> removedPaths_;

  std::shared_ptr<dshow::SoundLevelTap> microphoneLevel_ = std::make_shared<dshow::SoundLevelTap>();
  bool microphoneMetered_ = false;
  ComPtr<IMediaControl> listening_;  // the graph that meters the microphone during a pause
  // The recording is paused: a part begun meanwhile (a device lost or back) waits paused too.
  bool recordingPaused_ = false;

  CaptureHost& host_;
  using UnregisterFn = BOOL(WINAPI*)(HDEVNOTIFY);
  UnregisterFn unregisterDeviceNotification_ = nullptr;
  HDEVNOTIFY deviceNotification_ = nullptr;
};
