// The capture engine against Wine's real filter graph and the testbed's devices (a test camera,
// a test microphone and the WM ASF Writer stand-in, registered by scripts/testbed.sh install).
#include "app/TitleOverlayRegistration.h"
#include "capture/CaptureEngine.h"
#include "capture/CaptureGuids.h"
#include "capture/FrameGrabber.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
class WindowHost : public CaptureHost {
public:
  WindowHost() {
    main_ = CreateWindowExA(0, "STATIC", "main", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    preview_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 320, 240, main_,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~WindowHost() override { DestroyWindow(main_); }
  HWND MainWindow() const override { return main_; }
  HWND PreviewArea() const override { return preview_; }
  Settings& CaptureSettings() override { return settings; }
  void CameraArrived() override { ++arrivals; }
  void RecordingDeviceLost(DeviceKind) override {}
  void RecordingDeviceReturned(DeviceKind) override {}
  Settings settings;
  int arrivals = 0;

private:
  HWND main_ = nullptr;
  HWND preview_ = nullptr;
};

// Lets the graph's threads run while this thread answers its window messages.
void PumpFor(DWORD milliseconds) {
  DWORD end = GetTickCount() + milliseconds;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(20);
  }
}

const unsigned char kAsfHeaderObject[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                            0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const unsigned char kAsfDataObject[16] = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                          0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

uint64_t Le64(const std::string& bytes, size_t at) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

class CaptureIntegration : public ::testing::Test {
protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    host.settings.EnableTitle = 0;
    engine.EnumerateCaptureDevices();
  }
  bool HasTestbed() const { return engine.videoDevices.count > 0 && engine.audioDevices.count > 0; }

  MessageBoxRecorder boxes;
  WindowHost host;
  CaptureEngine engine{host};
};
}  // namespace

TEST_F(CaptureIntegration, PreviewRunsWithItsVideoWindowFillingThePreviewArea) {
  if (!HasTestbed()) GTEST_SKIP() << "no camera registered (scripts/testbed.sh install)";
  engine.SelectDevicesByIndex(0, 0);
  ASSERT_EQ(engine.BuildPreviewGraph(), S_OK);
  EXPECT_TRUE(boxes.Texts().empty());
  EXPECT_EQ(engine.previewStarted, 1);
  PumpFor(500);

  HWND videoWindow = GetWindow(host.PreviewArea(), GW_CHILD);
  ASSERT_NE(videoWindow, nullptr) << "the renderer's window is not a child of the preview area";
  RECT placed;
  GetWindowRect(videoWindow, &placed);
  MapWindowPoints(nullptr, host.PreviewArea(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 0);
  EXPECT_EQ(placed.top, 0);
  EXPECT_EQ(placed.right - placed.left, 320);
  EXPECT_EQ(placed.bottom - placed.top, 240);
  EXPECT_TRUE(IsWindowVisible(videoWindow));
  EXPECT_GT(GrabberCallback.frameWidth, 0);

  engine.TearDownGraph();
  EXPECT_FALSE(IsWindowVisible(videoWindow) && GetParent(videoWindow) == host.PreviewArea());
}

TEST_F(CaptureIntegration, RecordingGraphWritesACompleteFileIntoTheWriter) {
  if (!HasTestbed()) GTEST_SKIP() << "no camera and microphone registered (scripts/testbed.sh install)";
  TempDir folder;
  std::string video = folder / "video.wmv";
  engine.SelectDevicesByIndex(0, 0);
  ASSERT_EQ(engine.BuildPreviewGraph(), S_OK);
  engine.TearDownGraph();
  ASSERT_TRUE(engine.BuildRecordingGraph()) << ::testing::PrintToString(boxes.Texts());
  ASSERT_TRUE(engine.ConnectRecordingGraph(video)) << ::testing::PrintToString(boxes.Texts());
  ASSERT_TRUE(engine.StartRecordingGraph()) << ::testing::PrintToString(boxes.Texts());
  PumpFor(2000);
  ComPtr<IMediaControl> control;
  ASSERT_TRUE(SUCCEEDED(engine.graph.As(control)));
  EXPECT_TRUE(SUCCEEDED(control->Pause()));
  control = nullptr;
  engine.TearDownGraph();
  // A camera may refuse the frame-rate change on its connected pin; nothing else is reported.
  EXPECT_LE(boxes.Texts().size(), 1u) << ::testing::PrintToString(boxes.Texts());
  if (!boxes.Texts().empty()) {
    EXPECT_EQ(boxes.Texts()[0], "Cannot set frame rate for capture");
  }

  std::string bytes = ReadFileBytes(video);
  ASSERT_GT(bytes.size(), 1000u);
  ASSERT_EQ(std::memcmp(bytes.data(), kAsfHeaderObject, 16), 0);
  uint64_t headerSize = Le64(bytes, 16);
  ASSERT_LT(headerSize + 24, bytes.size());
  ASSERT_EQ(std::memcmp(bytes.data() + headerSize, kAsfDataObject, 16), 0);
  uint64_t dataSize = Le64(bytes, headerSize + 16);
  EXPECT_GT(dataSize, 50u) << "the data object was not completed";
  EXPECT_LE(headerSize + dataSize, bytes.size());
}

TEST_F(CaptureIntegration, WithoutACameraThePreviewSaysSoOnce) {
  if (engine.videoDevices.count > 0) GTEST_SKIP() << "a camera is registered";
  engine.SelectDevicesByIndex(0, 0);
  EXPECT_EQ(engine.BuildPreviewGraph(), E_FAIL);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"未发现任何视频采集设备!请检查摄像头连接!"}));
  boxes.Clear();
  // The writer is looked for before the camera: without its class the build stops there.
  ComPtr<IBaseFilter> writer;
  bool writerRegistered = SUCCEEDED(CoCreateInstance(CLSID_WMAsfWriterFilter, nullptr,
                                                     CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                                     writer.OutVoid()));
  writer = nullptr;
  EXPECT_FALSE(engine.BuildRecordingGraph());
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{
                               writerRegistered ? "There is NO USB Camera for video capture!Please check!"
                                                : "错误：无法创建图过滤器！"}));
  engine.TearDownGraph();
}

// Records with the title switched on through the program folder's filter; title_check.sh reads
// the file back with ffmpeg and tesseract. The file goes where LUMORA_TITLE_WMV says.
TEST_F(CaptureIntegration, TitleOverlayBurnsTheTitleIntoTheRecording) {
  const char* out = std::getenv("LUMORA_TITLE_WMV");
  if (!out) GTEST_SKIP() << "run by title_check.sh";
  if (!HasTestbed()) GTEST_SKIP() << "no camera and microphone registered (scripts/testbed.sh install)";
  std::string dll = std::string("Z:") + std::getenv("LUMORA_DIST") + "/" + kTitleOverlayDll;
  std::replace(dll.begin(), dll.end(), '/', '\\');
  ASSERT_NE(EnsureTitleOverlayRegistered(dll), TitleOverlayRegistration::Failed);
  host.settings.EnableTitle = std::atoi(std::getenv("LUMORA_TITLE_ON") ? std::getenv("LUMORA_TITLE_ON") : "1");
  host.settings.OverlayText = std::getenv("LUMORA_TITLE_TEXT") ? std::getenv("LUMORA_TITLE_TEXT") : "Lumora";
  host.settings.OverlayPos = "TopLeft";
  host.settings.OverlayFontColor = "Red";
  host.settings.OverlayFontSize = 40;
  engine.SelectDevicesByIndex(0, 0);
  ASSERT_TRUE(engine.BuildRecordingGraph()) << ::testing::PrintToString(boxes.Texts());
  ASSERT_TRUE(engine.ConnectRecordingGraph(out)) << ::testing::PrintToString(boxes.Texts());
  ASSERT_TRUE(engine.StartRecordingGraph()) << ::testing::PrintToString(boxes.Texts());
  EXPECT_EQ(static_cast<bool>(engine.titleOverlay), host.settings.EnableTitle == 1);
  PumpFor(2000);
  ComPtr<IMediaControl> control;
  ASSERT_TRUE(SUCCEEDED(engine.graph.As(control)));
  EXPECT_TRUE(SUCCEEDED(control->Pause()));
  control = nullptr;
  engine.TearDownGraph();
  EXPECT_LE(boxes.Texts().size(), 1u) << ::testing::PrintToString(boxes.Texts());
}
