#include "capture/CaptureGuids.h"
#include "capture/CaptureMessages.h"
#include "capture/FrameGrabber.h"
#include "tests/capture/EngineFixture.h"

#include <dbt.h>
#include <gtest/gtest.h>

using namespace fakes;

using PreviewGraph = EngineTest;

TEST_F(PreviewGraph, BuildsCameraThroughGrabberIntoTheVideoWindowOfThePreviewArea) {
  devices->AddVideo("cam0");
  devices->AddAudio("mic0");
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(0, 0);
  TakeCalls();
  EXPECT_EQ(engine->BuildPreviewGraph(), S_OK);
  EXPECT_EQ(TakeCalls(), PreviewCalls("cam0"));
  EXPECT_EQ(engine->previewStarted, 1);
  EXPECT_TRUE(engine->graphEvents);
  EXPECT_TRUE(engine->audioCapture);  // the microphone plays into the level meter
  EXPECT_TRUE(engine->MicrophoneMetered());
  EXPECT_EQ(GrabberCallback.owner, host.MainWindow());
  EXPECT_EQ(GrabberCallback.frameWidth, 320);
  EXPECT_EQ(GrabberCallback.frameHeight, 240);
  EXPECT_EQ(lastGrabber->callback, static_cast<ISampleGrabberCB*>(&GrabberCallback));
}

TEST_F(PreviewGraph, CameraWithVideoPortPinPreviewsIntoTheNullRenderer) {
  devices->AddVideo("cam0", true, true);
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(0, 0);
  TakeCalls();
  ASSERT_EQ(engine->BuildPreviewGraph(), S_OK);
  std::vector<std::string> calls = TakeCalls();
  auto at = std::find(calls.begin(), calls.end(), "FindPin cam0 out VIDEOPORT null 0 0");
  ASSERT_NE(at, calls.end());
  EXPECT_EQ(*(at + 1), "AddFilter NULL renderer nullrenderer");
  EXPECT_EQ(*(at + 2), "RenderStream PREVIEW Interleaved cam0 grabber nullrenderer");
  EXPECT_EQ(*(at + 3), "RenderStream PREVIEW Video cam0 grabber nullrenderer");
}

TEST_F(PreviewGraph, FallsBackToTheCapturePinWhenThereIsNoPreviewPin) {
  configureBuilder = [](FakeCaptureBuilder* builder) {
    builder->refused.insert({"PREVIEW", "Video"});
  };
  StartPreviewWith("cam0");
  engine->TearDownGraph();
  TakeCalls();
  ASSERT_EQ(engine->BuildPreviewGraph(), S_OK);
  std::vector<std::string> calls = TakeCalls();
  auto at = std::find(calls.begin(), calls.end(), "RenderStream PREVIEW Video cam0 grabber null");
  ASSERT_NE(at, calls.end());
  EXPECT_EQ(*(at + 1), "RenderStream CAPTURE Video cam0 grabber null");
}

TEST_F(PreviewGraph, NoCameraShowsOneMessageAndNoPreview) {
  devices->AddAudio("mic0");
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(0, 0);
  EXPECT_EQ(engine->BuildPreviewGraph(), E_FAIL);
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{Box("未发现任何视频采集设备!请检查摄像头连接!")}));
  EXPECT_EQ(engine->previewStarted, 0);
}

TEST_F(PreviewGraph, EachFailingStepShowsItsOwnMessage) {
  struct Case {
    const char* what;
    std::function<void(EngineTest&)> arrange;
    HRESULT result;
    std::string message;
  };
  const Case cases[] = {
      {"graph", [](EngineTest& t) { t.factory.Unregister(CLSID_FilterGraph); }, E_FAIL,
       "Could not create filter graph"},
      {"camera refused",
       [](EngineTest& t) { t.configureGraph = [](FakeGraph* g) { g->refusedNames.insert("VideoPreview"); }; },
       E_FAIL, "错误：无法进行视频捕捉！"},
      {"grabber", [](EngineTest& t) { t.factory.Unregister(CLSID_SampleGrabberFilter); },
       REGDB_E_CLASSNOTREG, "错误：无法创建图过滤器！"},
      {"builder", [](EngineTest& t) { t.factory.Unregister(CLSID_CaptureGraphBuilder2); },
       REGDB_E_CLASSNOTREG, "错误：无法创建图过滤器！"},
      {"builder refuses graph",
       [](EngineTest& t) { t.configureBuilder = [](FakeCaptureBuilder* b) { b->setFiltergraphResult = E_UNEXPECTED; }; },
       E_FAIL, "错误：无法向构造器发送图片！"},
      {"grabber refused",
       [](EngineTest& t) { t.configureGraph = [](FakeGraph* g) { g->refusedNames.insert("Grabber"); }; },
       E_FAIL, "Could not put sample grabber in graph"},
      {"callback", [](EngineTest& t) { t.configureGrabber = [](FakeSampleGrabber* g) { g->setCallbackResult = E_NOTIMPL; }; },
       E_NOTIMPL, "Can't set grabber property"},
      {"no video window", [](EngineTest& t) { t.configureGraph = [](FakeGraph* g) { g->offersVideoWindow = false; }; },
       E_FAIL, "未发现任何视频采集设备!请检查摄像头连接!"},
      {"run", [](EngineTest& t) { t.configureGraph = [](FakeGraph* g) { g->runResult = E_ACCESSDENIED; }; },
       E_ACCESSDENIED, "Could not run graph"},
  };
  devices->AddVideo("cam0");
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(0, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.arrange(*this);
    Calls().clear();
    EXPECT_EQ(engine->BuildPreviewGraph(), c.result);
    std::vector<std::string> calls = TakeCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), Box(c.message));
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& s) { return s.rfind("box", 0) == 0; }), 1);
    EXPECT_EQ(engine->previewStarted, 0);
    engine->TearDownGraph();
    // Undo the arrangement for the next case.
    configureGraph = nullptr;
    configureBuilder = nullptr;
    configureGrabber = nullptr;
    RegisterFakes();
  }
}

TEST_F(PreviewGraph, RefusedGrabberMediaTypeIsReportedByTheGrabberAndByTheBuild) {
  configureGrabber = [](FakeSampleGrabber* g) { g->setMediaTypeResult = VFW_E_INVALIDMEDIATYPE; };
  devices->AddVideo("cam0");
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(0, 0);
  TakeCalls();
  EXPECT_EQ(engine->BuildPreviewGraph(), VFW_E_INVALIDMEDIATYPE);
  std::vector<std::string> calls = TakeCalls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2], Box("设置媒体类型失败！"));
  EXPECT_EQ(calls.back(), Box("设置媒体类型失败！"));
}

TEST_F(PreviewGraph, TearDownStopsHidesAndReleasesEverything) {
  StartPreviewWith("cam0");
  engine->TearDownGraph();
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"Stop", "put_Visible 0", "put_Owner 0"}));
  EXPECT_FALSE(engine->graph);
  EXPECT_FALSE(engine->builder);
  EXPECT_FALSE(engine->grabber);
  EXPECT_FALSE(engine->videoCapture);
  EXPECT_FALSE(engine->graphEvents);
  EXPECT_EQ(engine->previewStarted, 1);
  // Only the device slots and the enumerator's own objects are still alive.
  engine->videoDevices.Clear();
  engine->audioDevices.Clear();
  engine->videoDevices.current = nullptr;
  engine->audioDevices.current = nullptr;
  devices->ClearVideo();
  devices->ClearAudio();
  EXPECT_EQ(LiveObjects(), LiveAtStart() + 1);  // the enumerator
  engine->TearDownGraph();      // a second teardown finds nothing to do
  EXPECT_TRUE(TakeCalls().empty());
}

// --- graph events ---

TEST_F(PreviewGraph, AbortRebuildsThePreviewThenShowsTheCodeInEightLowerCaseDigits) {
  StartPreviewWith("cam0");
  lastGraph->events.push_back({EC_ERRORABORT, static_cast<LONG_PTR>(0x8007000E), 0});
  lastGraph->events.push_back({EC_COMPLETE, 0, 0});
  engine->HandleGraphEvents();
  std::vector<std::string> expected = {"GetEvent 0", "FreeEventParams 3", "GetEvent 0",
                                       "FreeEventParams 1", "Stop", "put_Visible 0", "put_Owner 0"};
  for (const std::string& call : PreviewCalls("cam0")) expected.push_back(call);
  expected.push_back(Box("视频捕捉过程中出错, 错误代码=8007000e"));
  EXPECT_EQ(TakeCalls(), expected);
  EXPECT_TRUE(engine->graph);
}

TEST_F(PreviewGraph, AbortWhileRecordingAlsoShowsTheCaptureNotice) {
  StartPreviewWith("cam0");
  engine->capturing = 1;
  lastGraph->events.push_back({EC_ERRORABORT, 0x00000005, 0});
  engine->HandleGraphEvents();
  std::vector<std::string> calls = TakeCalls();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[1], "FreeEventParams 3");  // before the box
  EXPECT_EQ(calls[2], Box("错误：无法停止播放！"));
  EXPECT_EQ(calls.back(), Box("视频捕捉过程中出错, 错误代码=00000005"));
  EXPECT_EQ(engine->capturing, 1);
}

TEST_F(PreviewGraph, AGraphTornDownWhileTheAbortNoticeIsShownIsNotTouchedAfterIt) {
  // The notice box is modal: a device change handled while it is shown tears the graph down,
  // and the rebuilt preview fails because the camera has gone.
  StartPreviewWith("cam0");
  engine->capturing = 1;
  lastGraph->events.push_back({EC_ERRORABORT, 0x00000005, 0});
  lastGraph->events.push_back({EC_ERRORABORT, 0x00000006, 0});
  bool nested = false;
  MessageBoxHandler recordBoxes = SetMessageBoxHandler(nullptr);
  SetMessageBoxHandler([&](HWND owner, const std::string& text, const std::string& caption, UINT type) {
    int answer = recordBoxes(owner, text, caption, type);
    if (text == "错误：无法停止播放！" && !nested) {
      nested = true;
      devices->ClearVideo();
      engine->TearDownGraph();
      engine->BuildPreviewGraph();
    }
    return answer;
  });
  engine->HandleGraphEvents();
  SetMessageBoxHandler(recordBoxes);
  std::vector<std::string> calls = TakeCalls();
  ASSERT_GE(calls.size(), 4u);
  // The event was freed before the box, and nothing of the old graph was called after it.
  EXPECT_EQ(calls[0], "GetEvent 0");
  EXPECT_EQ(calls[1], "FreeEventParams 3");
  EXPECT_EQ(calls[2], Box("错误：无法停止播放！"));
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "FreeEventParams 3"), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "GetEvent 0"), 1);
  EXPECT_EQ(calls.back(), Box("视频捕捉过程中出错, 错误代码=00000005"));
  EXPECT_FALSE(engine->graphEvents);
  engine->TearDownGraph();
}

TEST_F(PreviewGraph, LosingTheCameraInUseIsReportedOnceAndLeavesTheGraph) {
  StartPreviewWith("cam0");
  IBaseFilter* camera = engine->videoCapture.Get();
  camera->AddRef();  // the event's own reference, freed with its parameters
  lastGraph->events.push_back({EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(camera), 0});
  lastGraph->events.push_back({EC_ERRORABORT, 1, 0});
  engine->HandleGraphEvents();
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"GetEvent 0", "FreeEventParams 31",
                                                   Box("摄像头已断开连接!")}));
  EXPECT_EQ(engine->videoCapture.Get(), camera);
  lastGraph->events.clear();
}

TEST_F(PreviewGraph, LosingThePreviewsMicrophoneChangesNothing) {
  StartPreviewWith("cam0");
  IBaseFilter* microphone = engine->audioCapture.Get();
  microphone->AddRef();
  lastGraph->events.push_back({EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(microphone), 0});
  engine->HandleGraphEvents();
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"GetEvent 0", "FreeEventParams 31"}));
}

TEST_F(PreviewGraph, LosingAnotherDeviceOrAReturningCameraChangesNothing) {
  StartPreviewWith("cam0");
  auto* other = new FakeFilter("other");
  lastGraph->events.push_back({EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(other), 0});
  IBaseFilter* camera = engine->videoCapture.Get();
  camera->AddRef();
  lastGraph->events.push_back({EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(camera), 1});
  engine->HandleGraphEvents();
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"GetEvent 0", "FreeEventParams 31",
                                                   "GetEvent 0", "FreeEventParams 31"}));
}

TEST_F(PreviewGraph, EventsWithoutAGraphAreIgnored) {
  engine->HandleGraphEvents();
  EXPECT_TRUE(TakeCalls().empty());
}

// --- device changes ---

namespace {
DEV_BROADCAST_DEVICEINTERFACE_A CaptureInterface(const GUID& classGuid = KSCATEGORY_CAPTURE_Class) {
  DEV_BROADCAST_DEVICEINTERFACE_A broadcast{};
  broadcast.dbcc_size = sizeof(broadcast);
  broadcast.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  broadcast.dbcc_classguid = classGuid;
  return broadcast;
}
LPARAM AsParam(DEV_BROADCAST_DEVICEINTERFACE_A& broadcast) {
  return reinterpret_cast<LPARAM>(&broadcast);
}
}  // namespace

TEST_F(PreviewGraph, ArrivalOfTheFirstCameraBuildsThePreviewWithoutARestart) {
  devices->AddAudio("mic0");
  engine->EnumerateCaptureDevices();
  host.settings.VDeviceIndex = 3;
  engine->ClampDeviceIndexes();
  engine->SelectDevicesByIndex(host.settings.VDeviceIndex, host.settings.ADeviceIndex);
  engine->BuildPreviewGraph();
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{Box("未发现任何视频采集设备!请检查摄像头连接!")}));
  engine->TearDownGraph();

  devices->AddVideo("cam0");
  auto arrival = CaptureInterface();
  EXPECT_TRUE(engine->HandleDeviceChange(DBT_DEVICEARRIVAL, AsParam(arrival)));
  std::vector<std::string> calls = TakeCalls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "Run"), 1);
  EXPECT_EQ(calls.back(), "host CameraArrived");
  EXPECT_EQ(engine->previewStarted, 1);
  EXPECT_EQ(engine->videoDevices.count, 1);
  EXPECT_EQ(LabelOf(engine->videoCapture.Get()), "cam0");
}

TEST_F(PreviewGraph, OnlyCaptureInterfaceArrivalsAndRemovalsAreHandled) {
  StartPreviewWith("cam0");
  auto capture = CaptureInterface();
  auto other = CaptureInterface(CLSID_VideoInputDeviceCategory);
  DEV_BROADCAST_HDR volume{sizeof(DEV_BROADCAST_HDR), DBT_DEVTYP_VOLUME, 0};
  EXPECT_TRUE(engine->HandleDeviceChange(DBT_DEVICEREMOVECOMPLETE, AsParam(capture)));
  EXPECT_FALSE(engine->HandleDeviceChange(DBT_DEVICEARRIVAL, AsParam(other)));
  EXPECT_FALSE(engine->HandleDeviceChange(DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume)));
  EXPECT_FALSE(engine->HandleDeviceChange(DBT_DEVNODES_CHANGED, 0));
  EXPECT_FALSE(engine->HandleDeviceChange(DBT_DEVICEARRIVAL, 0));
  EXPECT_TRUE(TakeCalls().empty());
}
