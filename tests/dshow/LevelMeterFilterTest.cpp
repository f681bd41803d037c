// The level meter in Wine's real filter graph, fed by the testbed's microphone (registered by
// scripts/testbed.sh install): a sample grabber before the meter and one after it show that the
// sound passes unchanged, and the meter's reading is the tone's level.
#include "capture/CaptureGuids.h"
#include "capture/DShowInterfaces.h"
#include "dshow/LevelMeterFilter.h"
#include "framework/Handles.h"
#include "tests/testbed/DirectShowHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {
// Collects every byte that reaches a grabber.
class Collector : public GrabberCallbackBase {
public:
  STDMETHODIMP BufferCB(double, BYTE* data, long length) override {
    bytes.insert(bytes.end(), data, data + length);
    return S_OK;
  }
  std::vector<BYTE> bytes;
};

ComPtr<IBaseFilter> Grabber(Collector* collector) {
  ComPtr<IBaseFilter> filter;
  ComPtr<ISampleGrabber> grabber;
  if (FAILED(CoCreateInstance(CLSID_SampleGrabberFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              filter.OutVoid())) ||
      FAILED(filter.As(grabber))) {
    return nullptr;
  }
  AM_MEDIA_TYPE audio{};
  audio.majortype = MEDIATYPE_Audio;
  grabber->SetMediaType(&audio);
  grabber->SetCallback(collector, 1);
  return filter;
}

bool Connect(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to) {
  ComPtr<IPin> out = FindPinByCategory(from, PINDIR_OUTPUT, GUID_NULL);
  ComPtr<IPin> in = FindPinByCategory(to, PINDIR_INPUT, GUID_NULL);
  return out && in && SUCCEEDED(graph->ConnectDirect(out.Get(), in.Get(), nullptr));
}
}  // namespace

TEST(LevelMeterInGraph, SoundPassesUnchangedAndTheReadingIsTheTonesLevel) {
  ComApartment com;
  ComPtr<IBaseFilter> microphone = DeviceFilter(CLSID_AudioInputDeviceCategory, L"Lumora Test Microphone");
  if (!microphone) GTEST_SKIP() << "no test microphone registered (scripts/testbed.sh install)";
  auto tap = std::make_shared<dshow::SoundLevelTap>();
  auto meter = ComPtr<IBaseFilter>::Attach(new dshow::LevelMeterFilter(tap));
  Collector before, after;
  ComPtr<IBaseFilter> first = Grabber(&before), second = Grabber(&after), sink;
  ComPtr<IGraphBuilder> graph;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                         graph.OutVoid())));
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_NullRendererFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                         sink.OutVoid())));
  ASSERT_TRUE(first && second);
  for (auto [filter, name] : {std::pair{microphone.Get(), L"Microphone"}, {first.Get(), L"Before"},
                              {meter.Get(), L"Level meter"}, {second.Get(), L"After"}, {sink.Get(), L"Sink"}}) {
    ASSERT_TRUE(SUCCEEDED(graph->AddFilter(filter, name)));
  }
  ASSERT_TRUE(Connect(graph.Get(), microphone.Get(), first.Get()));
  ASSERT_TRUE(Connect(graph.Get(), first.Get(), meter.Get()));
  ASSERT_TRUE(Connect(graph.Get(), meter.Get(), second.Get()));
  ASSERT_TRUE(Connect(graph.Get(), second.Get(), sink.Get()));

  ComPtr<IMediaControl> control;
  ASSERT_TRUE(SUCCEEDED(graph.As(control)));
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  // The window's thread reads the meter while the sound streams.
  std::vector<double> readings;
  for (int i = 0; i < 30; ++i) {
    Sleep(50);
    readings.push_back(dshow::PeakToDbfs(tap->Peak()));
  }
  control->Stop();

  ASSERT_GT(before.bytes.size(), 20000u) << "the microphone delivered little sound";
  EXPECT_EQ(after.bytes, before.bytes) << "the meter changed or lost sound";
  EXPECT_GT(tap->Buffers(), 10u);
  // The test tone is at half of full scale, -6 dBFS, with a pause of 100 ms each second that a
  // reading may fall into.
  EXPECT_NEAR(*std::max_element(readings.begin(), readings.end()), -6.02, 0.2);
  EXPECT_GE(std::count_if(readings.begin(), readings.end(), [](double dbfs) { return dbfs > -7.0; }), 20);
}
