#include "capture/CaptureGuids.h"
#include "capture/TitleOverlay.h"
#include "tests/capture/EngineFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace fakes;

namespace {
class RecordingGraph : public EngineTest {
protected:
  // The session's order: the preview goes, then the recording graph is built.
  void PreviewThenTearDown() {
    StartPreviewWith("cam0");
    engine->TearDownGraph();
    TakeCalls();
  }
  std::vector<std::string> Boxes() {
    std::vector<std::string> boxes;
    for (const std::string& call : TakeCalls()) {
      if (call.rfind("box", 0) == 0) boxes.push_back(call);
    }
    return boxes;
  }
};
}  // namespace

TEST_F(RecordingGraph, BuildConnectAndStartInTheirOrder) {
  host.settings.EnableTitle = 0;
  PreviewThenTearDown();
  ASSERT_TRUE(engine->BuildRecordingGraph());
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{
                             "BindToObject cam0",
                             "SetFiltergraph",
                             "AddFilter VCap cam0",
                             "FindInterface CAPTURE Interleaved cam0",
                             "FindInterface CAPTURE Video cam0",
                             "AddFilter AsfWriter asf",
                             "BindToObject mic0",
                             "AddFilter ACap mic0",
                         }));
  EXPECT_EQ(engine->recordingGraphBuilt, 1);
  EXPECT_EQ(factory.Created(CLSID_TitleOverlay), 0);

  ASSERT_TRUE(engine->ConnectRecordingGraph("C:\\课程\\20260101080000\\html\\video.wmv"));
  std::vector<std::string> connect = TakeCalls();
  std::vector<std::string> expected = {
      "SetFileName C:\\课程\\20260101080000\\html\\video.wmv",
      "RenderStream CAPTURE Interleaved cam0 null asf",
      "RenderStream CAPTURE Video cam0 null asf",
  };
  // Grabber set-up and the preview stream, exactly as in the preview graph.
  std::vector<std::string> preview = PreviewCalls("cam0");
  expected.push_back(preview[2]);  // SetMediaType
  expected.push_back("AddFilter Grabber grabber");
  expected.insert(expected.end(), preview.begin() + 5, preview.begin() + 12);
  expected.push_back("AddFilter Level meter meter");
  expected.push_back("RenderStream CAPTURE Audio mic0 meter asf");
  expected.insert(expected.end(), preview.begin() + 12, preview.begin() + 16);
  expected.push_back("GetFormat");
  expected.push_back("SetFormat 666666");
  expected.push_back(preview.back());  // SetNotifyWindow
  EXPECT_EQ(connect, expected);
  EXPECT_EQ(lastWriter->fileName, L"C:\\课程\\20260101080000\\html\\video.wmv");
  EXPECT_TRUE(engine->videoWindow);
  EXPECT_TRUE(engine->graphEvents);

  ASSERT_TRUE(engine->StartRecordingGraph());
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{
                             "ControlStream CAPTURE null null 7fffffffffffffff null 0 0",
                             "Run",
                             "ControlStream CAPTURE null null null 7fffffffffffffff 0 0",
                         }));
  engine->TearDownGraph();
}

TEST_F(RecordingGraph, TitleOverlaySitsBetweenCameraAndWriterWhenSwitchedOn) {
  host.settings.EnableTitle = 1;
  host.settings.OverlayText = "Lumora";
  PreviewThenTearDown();
  ASSERT_TRUE(engine->BuildRecordingGraph());
  std::vector<std::string> calls = TakeCalls();
  auto added = std::find(calls.begin(), calls.end(), "AddFilter TitleOverlay overlay");
  ASSERT_NE(added, calls.end());
  EXPECT_EQ(*(added + 1), "GetFormat");  // the picture the title's position is measured in
  EXPECT_EQ(*(added + 2), "SetTitleType 1");  // the overlay is configured right away
  EXPECT_LT(added - calls.begin(),
            std::find(calls.begin(), calls.end(), "AddFilter AsfWriter asf") - calls.begin());
  ASSERT_TRUE(engine->ConnectRecordingGraph("C:\\v.wmv"));
  calls = TakeCalls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "RenderStream CAPTURE Video cam0 overlay asf"),
            calls.end());
}

// The preview area is 320 x 240 pixels; the title goes into the camera's frames, whatever their size.
TEST_F(RecordingGraph, TitleStartPositionIsMeasuredInTheCameraPicture) {
  host.settings.EnableTitle = 1;
  host.settings.OverlayPos = "RightBottom";
  PreviewThenTearDown();
  FakeStreamConfig* config = devices->VideoFilter(0)->streamConfig;
  const struct {
    LONG width, height;
    HRESULT getFormat;
    const char* expected;
  } cases[] = {
      {640, 480, S_OK, "SetTitleStartPosition 540 380"},   // larger than the preview area
      {176, 144, S_OK, "SetTitleStartPosition 76 44"},     // smaller: inside the picture, not beyond it
      {640, -480, S_OK, "SetTitleStartPosition 540 380"},  // a top-down picture
      {640, 480, E_FAIL, "SetTitleStartPosition 220 140"}, // no format told: the preview area
      {0, 0, S_OK, "SetTitleStartPosition 220 140"},       // a format without a size: the same
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    config->width = c.width;
    config->height = c.height;
    config->getFormatResult = c.getFormat;
    ASSERT_TRUE(engine->BuildRecordingGraph());
    std::vector<std::string> calls = TakeCalls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), c.expected), calls.end());
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& call) { return call.rfind("box", 0) == 0; }),
              0);
    engine->TearDownGraph();
    TakeCalls();
  }
}

TEST_F(RecordingGraph, RefusingOverlayKeepsBuildingTheRecording) {
  host.settings.EnableTitle = 1;
  configureOverlay = [](FakeTitleOverlay* overlay) { overlay->refuseAt = "SetTitleType"; };
  PreviewThenTearDown();
  EXPECT_TRUE(engine->BuildRecordingGraph());
  EXPECT_EQ(Boxes(), (std::vector<std::string>{Box("错误：设置重叠标题类型失败！")}));
}

TEST_F(RecordingGraph, TitleFilterThatCannotBeCreatedIsReportedAndTheCameraRecordedWithout) {
  host.settings.EnableTitle = 1;
  factory.Unregister(CLSID_TitleOverlay);
  PreviewThenTearDown();
  ASSERT_TRUE(engine->BuildRecordingGraph());
  std::vector<std::string> calls = TakeCalls();
  const std::string message = ": 错误：无法创建图过滤器！";
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [&](const std::string& call) {
                            return call.rfind("box ", 0) == 0 && call.size() > message.size() &&
                                   call.compare(call.size() - message.size(), message.size(), message) == 0;
                          }),
            1);
  EXPECT_EQ(std::find(calls.begin(), calls.end(), "AddFilter TitleOverlay overlay"), calls.end());
  ASSERT_TRUE(engine->ConnectRecordingGraph("C:\\v.wmv"));
  calls = TakeCalls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "RenderStream CAPTURE Video cam0 null asf"), calls.end());
  engine->TearDownGraph();
}

TEST_F(RecordingGraph, NoMicrophoneFailsTheBuild) {
  devices->AddVideo("cam0");
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(0, 0);
  TakeCalls();
  EXPECT_FALSE(engine->BuildRecordingGraph());
  EXPECT_EQ(Boxes(), (std::vector<std::string>{Box("没有找到语音输入设备，请检查。")}));
  EXPECT_EQ(engine->recordingGraphBuilt, 0);
  engine->TearDownGraph();
}

TEST_F(RecordingGraph, WriterThatCannotBeAddedSetsTheFlagWithoutAMessage) {
  configureGraph = [](FakeGraph* graph) { graph->refusedNames.insert("AsfWriter"); };
  PreviewThenTearDown();
  EXPECT_FALSE(engine->BuildRecordingGraph());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(engine->asfWriterAddFailed, 1);
}

TEST_F(RecordingGraph, MissingWriterOrOverlayClassIsReportedInTheApplicationBox) {
  factory.Unregister(CLSID_WMAsfWriterFilter);
  PreviewThenTearDown();
  EXPECT_FALSE(engine->BuildRecordingGraph());
  std::vector<std::string> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0], Box("错误：无法创建图过滤器！"));  // not the "Error!" box
  EXPECT_NE(boxes[0].find(": 错误：无法创建图过滤器！"), std::string::npos);
  EXPECT_EQ(factory.Created(CLSID_FilterGraph), 1);       // only the preview's
}

TEST_F(RecordingGraph, NoCameraFailsTheBuildWithItsOwnMessage) {
  devices->AddAudio("mic0");
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(0, 0);
  EXPECT_FALSE(engine->BuildRecordingGraph());
  EXPECT_EQ(Boxes(), (std::vector<std::string>{Box("There is NO USB Camera for video capture!Please check!")}));
  engine->TearDownGraph();
}

TEST_F(RecordingGraph, CaptureWithoutStreamConfigurationCannotBeRecorded) {
  configureBuilder = [](FakeCaptureBuilder* builder) { builder->streamConfigTypes.clear(); };
  PreviewThenTearDown();
  EXPECT_FALSE(engine->BuildRecordingGraph());
  EXPECT_EQ(Boxes(), (std::vector<std::string>{Box("错误：无法进行视频捕捉！")}));
}

TEST_F(RecordingGraph, RefusedFrameRateIsReportedAndTheRecordingGoesOn) {
  PreviewThenTearDown();
  devices->VideoFilter(0)->streamConfig->setFormatResult = VFW_E_ALREADY_CONNECTED;
  ASSERT_TRUE(engine->BuildRecordingGraph());
  EXPECT_TRUE(engine->ConnectRecordingGraph("C:\\v.wmv"));
  EXPECT_EQ(Boxes(), (std::vector<std::string>{Box("Cannot set frame rate for capture")}));

  engine->TearDownGraph();
  devices->VideoFilter(0)->streamConfig->getFormatResult = E_FAIL;
  ASSERT_TRUE(engine->BuildRecordingGraph());
  EXPECT_TRUE(engine->ConnectRecordingGraph("C:\\v.wmv"));
  EXPECT_EQ(Boxes(), (std::vector<std::string>{Box("Cannot set frame rate for capture")}));
  EXPECT_EQ(devices->VideoFilter(0)->streamConfig->setFormatCalls, 1);

  engine->TearDownGraph();
  devices->VideoFilter(0)->streamConfig->getFormatResult = S_OK;
  devices->VideoFilter(0)->streamConfig->formatType = FORMAT_VideoInfo2;
  ASSERT_TRUE(engine->BuildRecordingGraph());
  EXPECT_TRUE(engine->ConnectRecordingGraph("C:\\v.wmv"));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(devices->VideoFilter(0)->streamConfig->setFormatCalls, 1);
}

TEST_F(RecordingGraph, ConnectFailuresShowTheirMessages) {
  struct Case {
    const char* what;
    std::function<void(EngineTest&)> arrange;
    std::string message;
  };
  const Case cases[] = {
      {"video", [](EngineTest& t) { t.configureBuilder = [](FakeCaptureBuilder* b) { b->refused.insert({"CAPTURE", "Video"}); }; },
       "无法渲染视频流！"},
      {"grabber", [](EngineTest& t) { t.factory.Unregister(CLSID_SampleGrabberFilter); },
       "Could not create SampleGrabber (is qedit.dll registered?)"},
      {"grabber add", [](EngineTest& t) { t.configureGraph = [](FakeGraph* g) { g->refusedNames.insert("Grabber"); }; },
       "Could not put sample grabber in graph"},
      {"callback", [](EngineTest& t) { t.configureGrabber = [](FakeSampleGrabber* g) { g->connectedResult = E_FAIL; }; },
       "Can't set grabber property"},
      {"audio", [](EngineTest& t) { t.configureBuilder = [](FakeCaptureBuilder* b) { b->refused.insert({"CAPTURE", "Audio"}); }; },
       "无法渲染音频流！"},
  };
  PreviewThenTearDown();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.arrange(*this);
    ASSERT_TRUE(engine->BuildRecordingGraph());
    TakeCalls();
    EXPECT_FALSE(engine->ConnectRecordingGraph("C:\\v.wmv"));
    std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), Box(c.message));
    engine->TearDownGraph();
    configureGraph = nullptr;
    configureBuilder = nullptr;
    configureGrabber = nullptr;
    RegisterFakes();
  }
}

TEST_F(RecordingGraph, NoVideoWindowRecordsWithoutAPicture) {
  PreviewThenTearDown();
  configureGraph = [](FakeGraph* g) { g->offersVideoWindow = false; };
  ASSERT_TRUE(engine->BuildRecordingGraph());
  EXPECT_TRUE(engine->ConnectRecordingGraph("C:\\v.wmv"));
  EXPECT_EQ(Boxes(), (std::vector<std::string>{Box("该图无法预览！")}));
}

TEST_F(RecordingGraph, StartFailuresStopTheGraph) {
  PreviewThenTearDown();
  configureGraph = [](FakeGraph* g) { g->runResult = E_FAIL; };
  ASSERT_TRUE(engine->BuildRecordingGraph());
  ASSERT_TRUE(engine->ConnectRecordingGraph("C:\\v.wmv"));
  TakeCalls();
  EXPECT_FALSE(engine->StartRecordingGraph());
  std::vector<std::string> calls = TakeCalls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[1], "Run");
  EXPECT_EQ(calls[2], "Stop");
  EXPECT_EQ(calls[3], Box("错误：无法启动视频！"));

  engine->TearDownGraph();
  configureGraph = [](FakeGraph* g) { g->offersMediaControl = false; };
  ASSERT_TRUE(engine->BuildRecordingGraph());
  EXPECT_FALSE(engine->StartRecordingGraph());
  EXPECT_EQ(Boxes(), (std::vector<std::string>{Box("无法获得媒体控制！")}));
}

TEST_F(RecordingGraph, EveryReferenceOfTheOldGraphIsGoneBeforeTheNextGraphIsBuilt) {
  // A camera allows one open capture pin: the stream configuration (the pin) and the graph
  // manager behind the video window must be released by the teardown, not by the next build.
  PreviewThenTearDown();
  FakeFilter* camera = devices->VideoFilter(0);
  struct Held {
    int oldGraphs;
    LONG camera, expectedCamera, pin;
  };
  std::vector<Held> atNewGraph;
  configureGraph = [&](FakeGraph*) {
    // The moniker's own reference, and the engine's while it has found the camera.
    LONG expectedCamera = engine->videoCapture ? 2 : 1;
    atNewGraph.push_back({FakeGraph::Live() - 1, camera->References(), expectedCamera,
                          camera->streamConfig->References()});
  };
  for (int recording = 0; recording < 2; ++recording) {
    ASSERT_TRUE(engine->BuildRecordingGraph());
    ASSERT_TRUE(engine->ConnectRecordingGraph("C:\\v.wmv"));
    ASSERT_TRUE(engine->StartRecordingGraph());
    ASSERT_TRUE(engine->videoWindow);
    ASSERT_TRUE(engine->videoStreamConfig);
    // The session's stop: the teardown, then the preview comes back.
    engine->TearDownGraph();
    EXPECT_FALSE(engine->videoWindow);
    EXPECT_FALSE(engine->videoStreamConfig);
    ASSERT_EQ(engine->BuildPreviewGraph(), S_OK);
    engine->TearDownGraph();
  }
  ASSERT_EQ(atNewGraph.size(), 4u);
  for (size_t i = 0; i < atNewGraph.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(atNewGraph[i].oldGraphs, 0);
    EXPECT_EQ(atNewGraph[i].camera, atNewGraph[i].expectedCamera);
    EXPECT_EQ(atNewGraph[i].pin, 1);  // the camera's own reference only
  }
  EXPECT_EQ(FakeGraph::Live(), 0);
}

TEST_F(RecordingGraph, ARefusedVideoFileIsReportedAndNothingIsConnected) {
  PreviewThenTearDown();
  ASSERT_TRUE(engine->BuildRecordingGraph());
  TakeCalls();
  lastWriter->setFileNameResult = E_ACCESSDENIED;
  EXPECT_FALSE(engine->ConnectRecordingGraph("C:\\只读\\video.wmv"));
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{
                             "SetFileName C:\\只读\\video.wmv",
                             Box("错误：无法创建视频文件！\r\n本次录制只保存屏幕录像。"),
                         }));
  engine->TearDownGraph();
}
