// Records the test camera and the test microphone into the WM ASF Writer stand-in for three
// seconds, with the graph built as Lumora builds its recording graph (capture graph builder,
// capture pin to the writer, preview pin through a sample grabber, frame rate set to 15).
// The file named by LUMORA_TESTBED_ASF is then checked by recording_check.sh with ffprobe,
// ffmpeg, sox and ImageMagick.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include <qedit.h>

#include "tests/testbed/DirectShowHelpers.h"

namespace {

const CLSID kSampleGrabber = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const CLSID kNullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

std::wstring OutputPath() {
  const char* path = std::getenv("LUMORA_TESTBED_ASF");
  std::string narrow = path ? path : "C:\\testbed-recording.asf";
  return std::wstring(narrow.begin(), narrow.end());
}

}  // namespace

TEST(Recording, CameraAndMicrophoneIntoTheWriterForThreeSeconds) {
  ComApartment com;
  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                             IID_ICaptureGraphBuilder2, builder.OutVoid()), S_OK);
  ComPtr<IBaseFilter> writer;
  ASSERT_EQ(CoCreateInstance(CLSID_WMAsfWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             writer.OutVoid()), S_OK);
  ComPtr<IBaseFilter> camera = DeviceFilter(CLSID_VideoInputDeviceCategory, L"Lumora Test Camera");
  ComPtr<IBaseFilter> microphone = DeviceFilter(CLSID_AudioInputDeviceCategory, L"Lumora Test Microphone");
  ASSERT_TRUE(camera && microphone);
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             graph.OutVoid()), S_OK);
  ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
  ASSERT_EQ(graph->AddFilter(camera.Get(), L"VCap"), S_OK);
  ComPtr<IAMStreamConfig> config;
  if (FAILED(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, camera.Get(),
                                    IID_IAMStreamConfig, config.OutVoid()))) {
    ASSERT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(),
                                     IID_IAMStreamConfig, config.OutVoid()), S_OK);
  }
  ASSERT_EQ(graph->AddFilter(writer.Get(), L"AsfWriter"), S_OK);
  ASSERT_EQ(graph->AddFilter(microphone.Get(), L"ACap"), S_OK);

  ComPtr<IFileSinkFilter> sink;
  ASSERT_EQ(writer.As(sink), S_OK);
  std::wstring path = OutputPath();
  DeleteFileW(path.c_str());
  ASSERT_EQ(sink->SetFileName(path.c_str(), nullptr), S_OK);
  if (FAILED(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, camera.Get(), nullptr,
                                   writer.Get()))) {
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(), nullptr,
                                    writer.Get()), S_OK);
  }

  ComPtr<IBaseFilter> grabberFilter, nullRenderer;
  ComPtr<ISampleGrabber> grabber;
  ASSERT_EQ(CoCreateInstance(kSampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             grabberFilter.OutVoid()), S_OK);
  ASSERT_EQ(grabberFilter.As(grabber), S_OK);
  AM_MEDIA_TYPE rgb32{};
  rgb32.majortype = MEDIATYPE_Video;
  rgb32.subtype = MEDIASUBTYPE_RGB32;
  ASSERT_EQ(grabber->SetMediaType(&rgb32), S_OK);
  ASSERT_EQ(graph->AddFilter(grabberFilter.Get(), L"Grabber"), S_OK);
  ASSERT_EQ(CoCreateInstance(kNullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             nullRenderer.OutVoid()), S_OK);
  ASSERT_EQ(graph->AddFilter(nullRenderer.Get(), L"NULL renderer"), S_OK);
  // Interleaved first, as Lumora tries it; the camera has video only.
  EXPECT_TRUE(FAILED(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Interleaved, camera.Get(),
                                           grabberFilter.Get(), nullRenderer.Get())));
  ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.Get(),
                                  grabberFilter.Get(), nullRenderer.Get()), S_OK);
  AM_MEDIA_TYPE preview{};
  ASSERT_EQ(grabber->GetConnectedMediaType(&preview), S_OK);
  EXPECT_EQ(preview.subtype, MEDIASUBTYPE_RGB32);
  CoTaskMemFree(preview.pbFormat);

  ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, microphone.Get(), nullptr,
                                  writer.Get()), S_OK);

  AM_MEDIA_TYPE* format = nullptr;
  ASSERT_EQ(config->GetFormat(&format), S_OK);
  ASSERT_EQ(format->formattype, FORMAT_VideoInfo);
  reinterpret_cast<VIDEOINFOHEADER*>(format->pbFormat)->AvgTimePerFrame = static_cast<LONGLONG>(10000000 / 15.0);
  EXPECT_EQ(config->SetFormat(format), S_OK);
  CoTaskMemFree(format->pbFormat);
  CoTaskMemFree(format);

  REFERENCE_TIME never = LLONG_MAX;
  builder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, &never, nullptr, 0, 0);
  ComPtr<IMediaControl> control;
  ASSERT_EQ(graph.As(control), S_OK);
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  builder->ControlStream(&PIN_CATEGORY_CAPTURE, nullptr, nullptr, nullptr, &never, 0, 0);
  Sleep(3000);  // the length of the recording, not a measurement
  EXPECT_TRUE(SUCCEEDED(control->Pause()));
  EXPECT_EQ(control->Stop(), S_OK);
  EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}
