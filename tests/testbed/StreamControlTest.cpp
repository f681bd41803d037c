// The camera in a running graph of Wine's capture graph builder: the capture stream held
// back and released with ControlStream, as Lumora starts a recording.
#include <gtest/gtest.h>

#include <climits>

#include <qedit.h>

#include "tests/testbed/DirectShowHelpers.h"

namespace {

const CLSID kSampleGrabber = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const CLSID kNullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
constexpr REFERENCE_TIME kMaxTime = LLONG_MAX;

// Counts the frames that reach the grabber and signals each one.
class FrameCounter : public GrabberCallbackBase {
public:
  FrameCounter() : arrived_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  STDMETHODIMP BufferCB(double, BYTE*, long length) override {
    lastLength = length;
    InterlockedIncrement(&frames);
    SetEvent(arrived_.Get());
    return S_OK;
  }
  bool WaitForFrame(DWORD ms) { return WaitForSingleObject(arrived_.Get(), ms) == WAIT_OBJECT_0; }
  volatile LONG frames = 0;
  volatile long lastLength = 0;

private:
  UniqueHandle arrived_;
};

struct CaptureGraph {
  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IBaseFilter> camera;
  ComPtr<IBaseFilter> grabberFilter;
  ComPtr<ISampleGrabber> grabber;
  ComPtr<IMediaControl> control;
};

void BuildCaptureGraph(CaptureGraph& g, FrameCounter& counter) {
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             g.graph.OutVoid()), S_OK);
  ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                             IID_ICaptureGraphBuilder2, g.builder.OutVoid()), S_OK);
  ASSERT_EQ(g.builder->SetFiltergraph(g.graph.Get()), S_OK);
  g.camera = DeviceFilter(CLSID_VideoInputDeviceCategory, L"Lumora Test Camera 2");
  ASSERT_TRUE(g.camera);
  ASSERT_EQ(g.graph->AddFilter(g.camera.Get(), L"VCap"), S_OK);
  ASSERT_EQ(CoCreateInstance(kSampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             g.grabberFilter.OutVoid()), S_OK);
  ASSERT_EQ(g.grabberFilter.As(g.grabber), S_OK);
  AM_MEDIA_TYPE want{};
  want.majortype = MEDIATYPE_Video;
  want.subtype = MEDIASUBTYPE_RGB555;
  ASSERT_EQ(g.grabber->SetMediaType(&want), S_OK);
  ASSERT_EQ(g.graph->AddFilter(g.grabberFilter.Get(), L"Grabber"), S_OK);
  ComPtr<IBaseFilter> sink;
  ASSERT_EQ(CoCreateInstance(kNullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, sink.OutVoid()),
            S_OK);
  ASSERT_EQ(g.graph->AddFilter(sink.Get(), L"NULL renderer"), S_OK);
  ASSERT_EQ(g.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, g.camera.Get(),
                                    g.grabberFilter.Get(), sink.Get()), S_OK);
  ASSERT_EQ(g.grabber->SetBufferSamples(FALSE), S_OK);
  ASSERT_EQ(g.grabber->SetCallback(&counter, 1), S_OK);
  ASSERT_EQ(g.graph.As(g.control), S_OK);
}

AM_STREAM_INFO CaptureStreamInfo(IBaseFilter* camera) {
  AM_STREAM_INFO info{};
  ComPtr<IPin> pin = FindPinByCategory(camera, PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE);
  ComPtr<IAMStreamControl> control;
  if (pin && SUCCEEDED(pin->QueryInterface(IID_IAMStreamControl, control.OutVoid()))) control->GetInfo(&info);
  return info;
}

class CameraGraph : public ::testing::Test {
  ComApartment com_;
};

}  // namespace

TEST_F(CameraGraph, CapturePinDeliversRgb555FramesOfTheChosenSize) {
  FrameCounter counter;
  CaptureGraph g;
  BuildCaptureGraph(g, counter);
  if (HasFatalFailure()) return;
  AM_MEDIA_TYPE mt{};
  ASSERT_EQ(g.grabber->GetConnectedMediaType(&mt), S_OK);
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat);
  EXPECT_EQ(mt.subtype, MEDIASUBTYPE_RGB555);
  EXPECT_EQ(vih->bmiHeader.biWidth, 320);  // the second camera's default size
  CoTaskMemFree(mt.pbFormat);

  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  EXPECT_TRUE(counter.WaitForFrame(5000));
  EXPECT_TRUE(counter.WaitForFrame(5000));
  g.control->Stop();
  EXPECT_EQ(counter.lastLength, 320 * 2 * 240);
}

// Lumora holds the capture stream back with ControlStream(start = MAX_TIME) before Run and
// releases it with ControlStream(no start, stop = MAX_TIME) after. The capture graph builder
// does that by calling IAMStreamControl on every capture pin; Wine 8.0's builder answers
// E_NOTIMPL instead (so under Wine the stream simply flows from Run on), which is why the
// pin's own stream control is driven here the way the builder does on Windows.
TEST_F(CameraGraph, StreamControlHoldsTheCaptureStreamBackUntilReleased) {
  FrameCounter counter;
  CaptureGraph g;
  BuildCaptureGraph(g, counter);
  if (HasFatalFailure()) return;
  REFERENCE_TIME never = kMaxTime;
  HRESULT builder = g.builder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, &never, nullptr, 0, 0);
  EXPECT_TRUE(builder == S_OK || builder == E_NOTIMPL);
  ComPtr<IPin> pin = FindPinByCategory(g.camera.Get(), PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE);
  ComPtr<IAMStreamControl> control;
  ASSERT_EQ(pin->QueryInterface(IID_IAMStreamControl, control.OutVoid()), S_OK);
  ASSERT_EQ(control->StartAt(&never, 0), S_OK);
  AM_STREAM_INFO held = CaptureStreamInfo(g.camera.Get());
  EXPECT_TRUE(held.dwFlags & AM_STREAM_INFO_START_DEFINED);
  EXPECT_TRUE(held.dwFlags & AM_STREAM_INFO_DISCARDING);
  EXPECT_EQ(held.tStart, kMaxTime);

  ASSERT_TRUE(SUCCEEDED(g.control->Run()));
  EXPECT_FALSE(counter.WaitForFrame(1000));  // a second's worth of frames is held back
  EXPECT_EQ(counter.frames, 0);

  REFERENCE_TIME forever = kMaxTime;
  ASSERT_EQ(control->StartAt(nullptr, 0), S_OK);
  ASSERT_EQ(control->StopAt(&forever, FALSE, 0), S_OK);
  EXPECT_TRUE(counter.WaitForFrame(5000));
  AM_STREAM_INFO running = CaptureStreamInfo(g.camera.Get());
  EXPECT_FALSE(running.dwFlags & AM_STREAM_INFO_DISCARDING);
  EXPECT_FALSE(running.dwFlags & AM_STREAM_INFO_STOP_DEFINED);

  // A stop now ends the flow again, and the stream stays quiet.
  ASSERT_EQ(control->StopAt(nullptr, FALSE, 0), S_OK);
  counter.WaitForFrame(200);  // a frame already on its way may still arrive
  LONG stoppedAt = counter.frames;
  EXPECT_FALSE(counter.WaitForFrame(700));
  EXPECT_EQ(counter.frames, stoppedAt);
  g.control->Stop();
}
