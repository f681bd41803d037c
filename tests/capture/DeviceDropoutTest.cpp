// Devices that come and go while a recording runs: the recording goes on in parts of the camera
// file, without a box, and never ends; outside a recording the preview's rules hold.
#include "capture/CaptureGuids.h"
#include "capture/CaptureMessages.h"
#include "tests/capture/EngineFixture.h"
#include "testbed/wmformat/WmProfileManager.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

using namespace fakes;

namespace {
const char kFirstPart[] = "C:\\课程\\20260101080000\\html\\video.wmv";
const char kCameraPath[] = "\\\\?\\usb#vid_046d&pid_0825&mi_00#7&1b&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

// A device-interface broadcast as Windows sends it: the path in wide or in ANSI characters.
std::vector<BYTE> Broadcast(const std::string& path, bool wide) {
  size_t offset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
  std::wstring widePath(path.begin(), path.end());
  size_t bytes = wide ? (widePath.size() + 1) * sizeof(wchar_t) : path.size() + 1;
  std::vector<BYTE> block(std::max(offset + bytes, sizeof(DEV_BROADCAST_DEVICEINTERFACE_A)));
  auto* header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(block.data());
  header->dbcc_size = static_cast<DWORD>(block.size());
  header->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  header->dbcc_classguid = KSCATEGORY_CAPTURE_Class;
  std::memcpy(block.data() + offset, wide ? static_cast<const void*>(widePath.c_str()) : path.c_str(), bytes);
  return block;
}

class DeviceDropout : public EngineTest {
protected:
  // A recording as the session starts it, with the camera "cam0" (with a device path) and the
  // microphone "mic0", and the Windows Media profile manager of the testbed.
  void StartRecording() {
    host.settings.EnableTitle = 0;
    WindowsMediaRuntime runtime;
    runtime.createProfileManager = [](IWMProfileManager** out) {
      *out = new testbed::WmProfileManager;
      return S_OK;
    };
    engine->screenWriter.Init(runtime, 1024, 768);
    devices->AddCamera("cam0", "USB Camera", kCameraPath);
    devices->AddAudio("mic0");
    engine->EnumerateCaptureDevices();
    engine->SelectDevicesByIndex(0, 0);
    ASSERT_EQ(engine->BuildPreviewGraph(), S_OK);
    engine->TearDownGraph();
    engine->BeginRecordingParts(kFirstPart);
    ASSERT_TRUE(engine->BuildRecordingGraph());
    ASSERT_TRUE(engine->ConnectRecordingGraph(kFirstPart));
    ASSERT_TRUE(engine->StartRecordingGraph());
    engine->capturing = 1;
    TakeCalls();
    graphsAtStart = factory.Created(CLSID_FilterGraph);
  }

  // The graph's EC_DEVICE_LOST for the camera or the microphone of the running graph.
  void LoseFromGraph(IBaseFilter* device) {
    device->AddRef();  // the event's own reference
    lastGraph->events.push_back({EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(device), 0});
    engine->HandleGraphEvents();
  }

  // A device notification, answered at once; the devices are looked at once it is answered.
  bool Notify(WPARAM event, const std::string& path = "", bool wide = true) {
    std::vector<BYTE> broadcast = Broadcast(path, wide);
    return engine->HandleDeviceChange(event, reinterpret_cast<LPARAM>(broadcast.data()));
  }
  // Whether the engine posted itself WM_RECORDINGDEVICES (taken from the queue).
  bool TookPostedCheck() {
    MSG msg;
    bool posted = false;
    while (PeekMessageA(&msg, host.MainWindow(), WM_RECORDINGDEVICES, WM_RECORDINGDEVICES, PM_REMOVE)) posted = true;
    return posted;
  }

  static bool Has(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }
  static std::vector<std::string> Boxes(const std::vector<std::string>& calls) {
    std::vector<std::string> boxes;
    for (const std::string& call : calls) {
      if (call.rfind("box", 0) == 0) boxes.push_back(call);
    }
    return boxes;
  }
  static std::vector<std::string> HostCalls(const std::vector<std::string>& calls) {
    std::vector<std::string> host;
    for (const std::string& call : calls) {
      if (call.rfind("host", 0) == 0) host.push_back(call);
    }
    return host;
  }
  // The calls of an audio-only part into `file`.
  std::vector<std::string> AudioOnlyPartCalls(const std::string& file) const {
    return {"SetFiltergraph",
            "AddFilter AsfWriter asf",
            "ConfigureFilterUsingProfile audio",
            "BindToObject mic0",
            "AddFilter ACap mic0",
            "SetFileName C:\\课程\\20260101080000\\html\\" + file,
            "AddFilter Level meter meter",
            "RenderStream CAPTURE Audio mic0 meter asf",
            "SetNotifyWindow " + Hex(host.MainWindow()) + " 401 0",
            "ControlStream CAPTURE null null 7fffffffffffffff null 0 0",
            "Run",
            "ControlStream CAPTURE null null null 7fffffffffffffff 0 0"};
  }

  int graphsAtStart = 0;
};
}  // namespace

TEST_F(DeviceDropout, AnArrivalDuringARecordingChangesNothingInIt) {
  StartRecording();
  fakes::FakeGraph* recording = lastGraph;
  devices->AddVideo("headset-camera");
  EXPECT_TRUE(Notify(DBT_DEVICEARRIVAL, "\\\\?\\usb#headset#{65e8773d-8f56-11d0-a3b9-00a0c9223196}"));
  EXPECT_TRUE(TookPostedCheck());
  EXPECT_TRUE(TakeCalls().empty()) << "nothing happens inside the notification";
  engine->CheckRecordingDevices();
  std::vector<std::string> calls = TakeCalls();
  EXPECT_TRUE(Boxes(calls).empty());
  EXPECT_TRUE(HostCalls(calls).empty());
  EXPECT_FALSE(Has(calls, "Stop"));
  EXPECT_EQ(factory.Created(CLSID_FilterGraph), graphsAtStart) << "no graph was built";
  EXPECT_EQ(engine->capturing, 1);
  EXPECT_EQ(lastGraph, recording);
  EXPECT_EQ(engine->videoDevices.count, 2) << "the device lists are refreshed";
  EXPECT_EQ(LabelOf(engine->videoCapture.Get()), "cam0");
  EXPECT_EQ(engine->RecordingPart(), 1);
}

TEST_F(DeviceDropout, ALostCameraClosesItsPartAndTheSoundGoesOnInAnAudioOnlyPart) {
  StartRecording();
  LoseFromGraph(engine->videoCapture.Get());
  std::vector<std::string> calls = TakeCalls();
  EXPECT_TRUE(Boxes(calls).empty());
  // The running graph is stopped (the writer closes video.wmv), then the next part starts.
  std::vector<std::string> expected = {"GetEvent 0", "FreeEventParams 31", "Stop", "put_Visible 0", "put_Owner 0"};
  std::vector<std::string> part = AudioOnlyPartCalls("video-2.wmv");
  expected.insert(expected.end(), part.begin(), part.end());
  expected.push_back("host camera lost");
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(engine->RecordingPart(), 2);
  EXPECT_TRUE(engine->DeviceAway(DeviceKind::Video));
  EXPECT_FALSE(engine->videoCapture);
  EXPECT_FALSE(engine->grabber);
  EXPECT_TRUE(engine->MicrophoneMetered()) << "the level meter stays in the sound's path";
  EXPECT_EQ(engine->capturing, 1);

  // The camera's own removal notice, which follows, changes nothing more.
  devices->Remove("cam0");
  EXPECT_TRUE(Notify(DBT_DEVICEREMOVECOMPLETE, kCameraPath));
  ASSERT_TRUE(TookPostedCheck());
  engine->CheckRecordingDevices();
  calls = TakeCalls();
  EXPECT_FALSE(Has(calls, "Stop"));
  EXPECT_TRUE(HostCalls(calls).empty());
  EXPECT_EQ(engine->RecordingPart(), 2);
}

TEST_F(DeviceDropout, TheCamerasReturnGoesOnWithPictureAndSoundInThePartAfter) {
  StartRecording();
  devices->Remove("cam0");
  // The removal notice alone, before any graph event, names the camera by its path.
  EXPECT_TRUE(Notify(DBT_DEVICEREMOVECOMPLETE, kCameraPath));
  engine->CheckRecordingDevices();
  std::vector<std::string> calls = TakeCalls();
  EXPECT_TRUE(Has(calls, "SetFileName C:\\课程\\20260101080000\\html\\video-2.wmv"));
  EXPECT_EQ(HostCalls(calls), std::vector<std::string>{"host camera lost"});

  // Plugged into another port: a new path, the same name.
  devices->AddCamera("cam0-port2", "USB Camera", "\\\\?\\usb#vid_046d&pid_0825&mi_00#8&2c&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
  EXPECT_TRUE(Notify(DBT_DEVICEARRIVAL, "\\\\?\\usb#vid_046d&pid_0825&mi_00#8&2c&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global"));
  engine->CheckRecordingDevices();
  calls = TakeCalls();
  EXPECT_TRUE(Boxes(calls).empty());
  ASSERT_FALSE(calls.empty()) << "the camera was not known again";
  EXPECT_EQ(calls.front(), "Stop") << "the sound-only part is closed first";
  EXPECT_TRUE(Has(calls, "AddFilter VCap cam0-port2"));
  EXPECT_FALSE(Has(calls, "ConfigureFilterUsingProfile audio"));
  EXPECT_FALSE(Has(calls, "ConfigureFilterUsingProfile video"));
  EXPECT_TRUE(Has(calls, "SetFileName C:\\课程\\20260101080000\\html\\video-3.wmv"));
  EXPECT_TRUE(Has(calls, "RenderStream CAPTURE Video cam0-port2 null asf"));
  EXPECT_TRUE(Has(calls, "RenderStream CAPTURE Audio mic0 meter asf"));
  EXPECT_TRUE(Has(calls, "Run"));
  EXPECT_EQ(HostCalls(calls), std::vector<std::string>{"host camera back"});
  EXPECT_EQ(engine->RecordingPart(), 3);
  EXPECT_FALSE(engine->DeviceAway(DeviceKind::Video));
  EXPECT_TRUE(engine->grabber) << "snapshots and the preview come back with the picture";
}

TEST_F(DeviceDropout, ALostMicrophoneLeavesAPictureOnlyPartUntilItReturns) {
  StartRecording();
  LoseFromGraph(engine->audioCapture.Get());
  std::vector<std::string> calls = TakeCalls();
  EXPECT_TRUE(Boxes(calls).empty());
  EXPECT_TRUE(Has(calls, "ConfigureFilterUsingProfile video"));
  EXPECT_TRUE(Has(calls, "AddFilter VCap cam0"));
  EXPECT_FALSE(Has(calls, "AddFilter ACap mic0"));
  EXPECT_TRUE(Has(calls, "RenderStream CAPTURE Video cam0 null asf"));
  EXPECT_TRUE(Has(calls, "SetFileName C:\\课程\\20260101080000\\html\\video-2.wmv"));
  EXPECT_EQ(HostCalls(calls), std::vector<std::string>{"host microphone lost"});
  EXPECT_FALSE(engine->MicrophoneMetered());
  EXPECT_TRUE(engine->DeviceAway(DeviceKind::Audio));

  // A microphone tells no device path: its return is known by its name in the audio category.
  devices->Remove("mic0");
  devices->AddAudio("mic0");
  EXPECT_TRUE(Notify(DBT_DEVICEARRIVAL, "\\\\?\\usb#vid_0d8c#{65e8773d-8f56-11d0-a3b9-00a0c9223196}", false));
  engine->CheckRecordingDevices();
  calls = TakeCalls();
  EXPECT_TRUE(Has(calls, "AddFilter ACap mic0"));
  EXPECT_TRUE(Has(calls, "SetFileName C:\\课程\\20260101080000\\html\\video-3.wmv"));
  EXPECT_EQ(HostCalls(calls), std::vector<std::string>{"host microphone back"});
  EXPECT_TRUE(engine->MicrophoneMetered());
}

TEST_F(DeviceDropout, AMicrophoneThatLeavesItsCategoryIsLostThoughNoEventNamesIt) {
  StartRecording();
  devices->Remove("mic0");
  EXPECT_TRUE(Notify(DBT_DEVICEREMOVECOMPLETE, "\\\\?\\usb#vid_0d8c#{65e8773d-8f56-11d0-a3b9-00a0c9223196}", false));
  engine->CheckRecordingDevices();
  std::vector<std::string> calls = TakeCalls();
  EXPECT_TRUE(Has(calls, "ConfigureFilterUsingProfile video"));
  EXPECT_EQ(HostCalls(calls), std::vector<std::string>{"host microphone lost"});
}

TEST_F(DeviceDropout, LossAndReturnWithinOneSecondGiveThreeWholePartsInTurn) {
  StartRecording();
  // The loss, the removal notice and the return all wait when the window gets to them.
  IBaseFilter* camera = engine->videoCapture.Get();
  camera->AddRef();
  lastGraph->events.push_back({EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(camera), 0});
  EXPECT_TRUE(Notify(DBT_DEVICEREMOVECOMPLETE, kCameraPath));
  EXPECT_TRUE(Notify(DBT_DEVICEARRIVAL, kCameraPath));
  engine->HandleGraphEvents();
  engine->CheckRecordingDevices();
  engine->CheckRecordingDevices();  // the second posted check finds nothing new
  std::vector<std::string> calls = TakeCalls();
  std::vector<std::string> files;
  int stops = 0;
  for (const std::string& call : calls) {
    if (call.rfind("SetFileName ", 0) == 0) files.push_back(call.substr(call.rfind('\\') + 1));
    // Each part is stopped before the next one starts: nothing overlaps.
    if (call == "Stop") ++stops;
    if (call == "Run") {
      EXPECT_EQ(stops, static_cast<int>(files.size())) << "a part ran before the one before it stopped";
    }
  }
  EXPECT_EQ(files, (std::vector<std::string>{"video-2.wmv", "video-3.wmv"}));
  EXPECT_EQ(HostCalls(calls), (std::vector<std::string>{"host camera lost", "host camera back"}));
  EXPECT_TRUE(Boxes(calls).empty());
  EXPECT_EQ(LabelOf(engine->videoCapture.Get()), "cam0");
}

TEST_F(DeviceDropout, ASecondCameraPluggedInIsNotTakenForTheLostOne) {
  StartRecording();
  LoseFromGraph(engine->videoCapture.Get());
  devices->Remove("cam0");
  TakeCalls();
  devices->AddCamera("document-camera", "Document Camera", "\\\\?\\usb#vid_1234#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
  EXPECT_TRUE(Notify(DBT_DEVICEARRIVAL, "\\\\?\\usb#vid_1234#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global"));
  engine->CheckRecordingDevices();
  std::vector<std::string> calls = TakeCalls();
  EXPECT_FALSE(Has(calls, "Stop"));
  EXPECT_TRUE(HostCalls(calls).empty());
  EXPECT_EQ(engine->RecordingPart(), 2);
  EXPECT_TRUE(engine->DeviceAway(DeviceKind::Video));
}

TEST_F(DeviceDropout, WithBothDevicesGoneNothingRecordsUntilOneReturns) {
  StartRecording();
  LoseFromGraph(engine->videoCapture.Get());
  LoseFromGraph(engine->audioCapture.Get());
  devices->Remove("cam0");
  devices->Remove("mic0");
  std::vector<std::string> calls = TakeCalls();
  EXPECT_EQ(HostCalls(calls), (std::vector<std::string>{"host camera lost", "host microphone lost"}));
  EXPECT_FALSE(engine->graph);
  EXPECT_EQ(engine->RecordingPart(), 2);
  EXPECT_EQ(engine->capturing, 1);
  // The microphone comes back first: the next part takes the number after the last file.
  devices->AddAudio("mic0");
  engine->CheckRecordingDevices();
  calls = TakeCalls();
  EXPECT_TRUE(Has(calls, "SetFileName C:\\课程\\20260101080000\\html\\video-3.wmv"));
  EXPECT_TRUE(Has(calls, "ConfigureFilterUsingProfile audio"));
  EXPECT_EQ(HostCalls(calls), std::vector<std::string>{"host microphone back"});
  EXPECT_TRUE(Boxes(calls).empty());
}

TEST_F(DeviceDropout, APartThatCannotStartShowsNoBoxAndLeavesItsNumberForTheNextTry) {
  StartRecording();
  configureGraph = [](FakeGraph* graph) { graph->runResult = E_FAIL; };
  LoseFromGraph(engine->videoCapture.Get());
  std::vector<std::string> calls = TakeCalls();
  EXPECT_TRUE(Boxes(calls).empty());
  EXPECT_EQ(HostCalls(calls), std::vector<std::string>{"host camera lost"});
  EXPECT_EQ(engine->RecordingPart(), 1);
  EXPECT_FALSE(engine->graph);

  configureGraph = nullptr;
  engine->CheckRecordingDevices();  // the camera is still listed: it is back
  calls = TakeCalls();
  EXPECT_TRUE(Has(calls, "SetFileName C:\\课程\\20260101080000\\html\\video-2.wmv"));
  EXPECT_EQ(engine->RecordingPart(), 2);
}

TEST_F(DeviceDropout, ALossAsTheTeacherStopsNeverStartsAPartAfterTheStop) {
  // The loss waits in the recording graph's queue while the stop runs: the stop ends the graph,
  // and the camera's removal notice after it is the preview's business.
  StartRecording();
  IBaseFilter* camera = engine->videoCapture.Get();
  camera->AddRef();
  lastGraph->events.push_back({EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(camera), 0});
  EXPECT_TRUE(Notify(DBT_DEVICEREMOVECOMPLETE, kCameraPath));
  EXPECT_TRUE(TookPostedCheck());
  devices->Remove("cam0");
  ComPtr<IMediaControl> control;
  ASSERT_TRUE(SUCCEEDED(engine->graph.As(control)));
  control->Pause();
  control = nullptr;
  engine->TearDownGraph();
  engine->BuildPreviewGraph();
  engine->capturing = 0;
  engine->HandleGraphEvents();
  engine->CheckRecordingDevices();
  EXPECT_TRUE(Notify(DBT_DEVICEREMOVECOMPLETE, kCameraPath));
  EXPECT_FALSE(TookPostedCheck()) << "a removal outside a recording is left to the graph's event";
  std::vector<std::string> calls = TakeCalls();
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::string& call) { return call.rfind("SetFileName", 0) == 0; }),
            0);
  EXPECT_TRUE(HostCalls(calls).empty());
  // The preview without its camera tells so once, as any preview does.
  EXPECT_EQ(Boxes(calls), std::vector<std::string>{Box("未发现任何视频采集设备!请检查摄像头连接!")});
}

TEST_F(DeviceDropout, ALossJustBeforeTheStopLeavesTheSoundOnlyPartToTheStop) {
  StartRecording();
  LoseFromGraph(engine->videoCapture.Get());
  TakeCalls();
  // The session's stop pauses whatever graph runs, the sound-only part's.
  ComPtr<IMediaControl> control;
  ASSERT_TRUE(SUCCEEDED(engine->graph.As(control)));
  EXPECT_EQ(control->Pause(), S_OK);
  control = nullptr;
  engine->TearDownGraph();
  engine->capturing = 0;
  EXPECT_FALSE(engine->DeviceAway(DeviceKind::Video)) << "a recording that ended has no device away";
  // The next recording records both devices again.
  engine->BeginRecordingParts(kFirstPart);
  ASSERT_TRUE(engine->BuildRecordingGraph());
  std::vector<std::string> calls = TakeCalls();
  EXPECT_TRUE(Has(calls, "AddFilter VCap cam0"));
  EXPECT_TRUE(Has(calls, "AddFilter ACap mic0"));
  EXPECT_FALSE(Has(calls, "ConfigureFilterUsingProfile audio"));
  engine->TearDownGraph();
}

TEST_F(DeviceDropout, APartBegunDuringAPauseWaitsPausedForTheResume) {
  StartRecording();
  fakes::FakeGraph* recording = lastGraph;
  ASSERT_TRUE(engine->PauseRecordingGraph());
  engine->ListenWhilePaused();
  TakeCalls();
  recording->events.push_back({EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(engine->videoCapture.Get()), 0});
  engine->videoCapture->AddRef();  // the event's own reference
  engine->HandleGraphEvents();
  std::vector<std::string> calls = TakeCalls();
  EXPECT_TRUE(Boxes(calls).empty());
  // The listening graph goes with the paused part; the next part starts and is paused at once,
  // with the microphone metered again.
  std::vector<std::string> part = AudioOnlyPartCalls("video-2.wmv");
  auto started = std::search(calls.begin(), calls.end(), part.begin(), part.end());
  ASSERT_NE(started, calls.end()) << "no audio-only part";
  std::vector<std::string> after(started + part.size(), calls.end());
  EXPECT_EQ(after, (std::vector<std::string>{"Pause", "SetFiltergraph", "BindToObject mic0", "AddFilter ACap mic0",
                                              "AddFilter Level meter meter", "RenderStream CAPTURE Audio mic0 null meter",
                                              "Run", "host camera lost"}));
  EXPECT_EQ(engine->RecordingPart(), 2);
  // The resume runs the new part.
  ASSERT_TRUE(engine->ResumeRecordingGraph());
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"Stop", "Run"}));
}
