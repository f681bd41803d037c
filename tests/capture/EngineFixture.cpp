#include "tests/capture/EngineFixture.h"

#include "capture/CaptureGuids.h"
#include "capture/FrameGrabber.h"
#include "capture/TitleOverlay.h"
#include "framework/MessageBox.h"

using namespace fakes;

FakeHost::FakeHost() {
  main_ = CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                          GetModuleHandleA(nullptr), nullptr);
  preview_ = CreateWindowExA(0, "STATIC", "", WS_CHILD, 10, 10, 320, 240, main_, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
}

FakeHost::~FakeHost() { DestroyWindow(main_); }

void EngineTest::SetUp() {
  liveAtStart_ = LiveObjects();
  Calls().clear();
  previousBoxes_ = SetMessageBoxHandler(
      [this](HWND, const std::string& text, const std::string& caption, UINT type) {
        Calls().push_back("box " + caption + ": " + text);
        boxTypes.push_back(type);
        return IDOK;
      });
  devices = new FakeDeviceEnumerator;
  RegisterFakes();
  engine = std::make_unique<CaptureEngine>(host);
}

void EngineTest::RegisterFakes() {
  factory.Register(CLSID_SystemDeviceEnum, [this] {
    devices->AddRef();
    return static_cast<ICreateDevEnum*>(devices);
  });
  factory.Register(CLSID_FilterGraph, [this] {
    auto* graph = new FakeGraph;
    if (configureGraph) configureGraph(graph);
    lastGraph = graph;
    return static_cast<IGraphBuilder*>(graph);
  });
  factory.Register(CLSID_CaptureGraphBuilder2, [this] {
    auto* builder = new FakeCaptureBuilder;
    if (configureBuilder) configureBuilder(builder);
    return static_cast<ICaptureGraphBuilder2*>(builder);
  });
  factory.Register(CLSID_SampleGrabberFilter, [this] {
    auto* grabber = new FakeSampleGrabber;
    if (configureGrabber) configureGrabber(grabber);
    lastGrabber = grabber;
    return static_cast<ISampleGrabber*>(grabber);
  });
  factory.Register(CLSID_NullRendererFilter,
                   [] { return static_cast<IBaseFilter*>(new FakeFilter("nullrenderer")); });
  factory.Register(CLSID_WMAsfWriterFilter, [this] {
    lastWriter = new FakeAsfWriter;
    return static_cast<IBaseFilter*>(lastWriter);
  });
  factory.Register(CLSID_TitleOverlay, [this] {
    lastOverlay = new FakeTitleOverlay;
    if (configureOverlay) configureOverlay(lastOverlay);
    return static_cast<IBaseFilter*>(lastOverlay);
  });
}

void EngineTest::TearDown() {
  engine.reset();
  devices->Release();
  SetMessageBoxHandler(std::move(previousBoxes_));
  GrabberCallback.owner = nullptr;
  EXPECT_EQ(LiveObjects(), liveAtStart_) << "a COM reference was not released exactly once";
}

std::vector<std::string> EngineTest::TakeCalls() {
  std::vector<std::string> calls = Calls();
  Calls().clear();
  return calls;
}

std::vector<std::string> EngineTest::PreviewCalls(const std::string& camera, const std::string& microphone) const {
  const std::string depth = GuidName([] {
    static GUID subtype;
    RgbSubtypeForDepth(ScreenBitsPerPixel(), &subtype);
    return &subtype;
  }());
  std::vector<std::string> calls = {
      "BindToObject " + camera,
      "AddFilter VideoPreview " + camera,
      "SetMediaType Video " + depth + " GUID_NULL",
      "SetFiltergraph",
      "AddFilter Grabber grabber",
      "FindPin " + camera + " out VIDEOPORT null 0 0",
      "RenderStream PREVIEW Interleaved " + camera + " grabber null",
      "RenderStream PREVIEW Video " + camera + " grabber null",
      "GetConnectedMediaType",
      "SetBufferSamples 0",
      "SetOneShot 0",
      "SetCallback 1",
      "put_Owner " + Hex(host.PreviewArea()),
      "SetWindowPosition 0 0 320 240",
      "put_WindowStyle 44000000",
      "put_Visible -1",
  };
  if (!microphone.empty()) {
    // The microphone plays into the level meter alone.
    calls.insert(calls.end(), {"BindToObject " + microphone, "AddFilter ACap " + microphone,
                               "AddFilter Level meter meter", "RenderStream CAPTURE Audio " + microphone + " null meter"});
  }
  calls.push_back("Run");
  calls.push_back("SetNotifyWindow " + Hex(host.MainWindow()) + " 401 0");
  return calls;
}

void EngineTest::StartPreviewWith(const std::string& camera) {
  devices->AddVideo(camera);
  devices->AddAudio("mic0");
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(0, 0);
  ASSERT_EQ(engine->BuildPreviewGraph(), S_OK);
  TakeCalls();
}
