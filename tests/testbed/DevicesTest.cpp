// The registered testbed as DirectShow clients see it: device lists with names, the pins
// with their categories, formats through IAMStreamConfig, the writer stand-in's file sink.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>



#include "tests/testbed/DirectShowHelpers.h"

#include <mmsystem.h>

namespace {

const wchar_t kCamera[] = L"Lumora Test Camera";
const wchar_t kCamera2[] = L"Lumora Test Camera 2";
const wchar_t kMicrophone[] = L"Lumora Test Microphone";

std::vector<std::wstring> Names(REFCLSID category) {
  std::vector<std::wstring> names;
  for (const Device& d : ListDevices(category)) names.push_back(d.name);
  return names;
}

class Testbed : public ::testing::Test {
  ComApartment com_;
};

}  // namespace

TEST_F(Testbed, DeviceEnumeratorListsBothCamerasAndTheMicrophoneByName) {
  std::vector<std::wstring> video = Names(CLSID_VideoInputDeviceCategory);
  std::vector<std::wstring> audio = Names(CLSID_AudioInputDeviceCategory);
  ASSERT_GE(video.size(), 2u);
  // The first camera comes first, so that a fresh Lumora (device index 0) previews it.
  EXPECT_EQ(Narrow(video[0]), Narrow(kCamera));
  EXPECT_EQ(std::count(video.begin(), video.end(), kCamera2), 1);
  EXPECT_EQ(std::count(audio.begin(), audio.end(), kMicrophone), 1);
  // Cameras and microphone do not leak into each other's category.
  EXPECT_EQ(std::count(audio.begin(), audio.end(), kCamera), 0);
  EXPECT_EQ(std::count(video.begin(), video.end(), kMicrophone), 0);
}

TEST_F(Testbed, EachDeviceBindsToAFilterOfItsOwnClass) {
  ComPtr<IBaseFilter> first = DeviceFilter(CLSID_VideoInputDeviceCategory, kCamera);
  ComPtr<IBaseFilter> second = DeviceFilter(CLSID_VideoInputDeviceCategory, kCamera2);
  ComPtr<IBaseFilter> microphone = DeviceFilter(CLSID_AudioInputDeviceCategory, kMicrophone);
  ASSERT_TRUE(first && second && microphone);
  CLSID a, b, c;
  ASSERT_EQ(first->GetClassID(&a), S_OK);
  ASSERT_EQ(second->GetClassID(&b), S_OK);
  ASSERT_EQ(microphone->GetClassID(&c), S_OK);
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);
}

TEST_F(Testbed, CameraHasCaptureAndPreviewPinsAndTheMicrophoneACapturePin) {
  ComPtr<IBaseFilter> camera = DeviceFilter(CLSID_VideoInputDeviceCategory, kCamera);
  ComPtr<IBaseFilter> microphone = DeviceFilter(CLSID_AudioInputDeviceCategory, kMicrophone);
  ASSERT_TRUE(camera && microphone);
  EXPECT_TRUE(FindPinByCategory(camera.Get(), PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE));
  EXPECT_TRUE(FindPinByCategory(camera.Get(), PINDIR_OUTPUT, PIN_CATEGORY_PREVIEW));
  EXPECT_FALSE(FindPinByCategory(camera.Get(), PINDIR_OUTPUT, PIN_CATEGORY_VIDEOPORT));
  EXPECT_TRUE(FindPinByCategory(microphone.Get(), PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE));

  ComPtr<IPin> pin = FindPinByCategory(camera.Get(), PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE);
  ComPtr<IKsPropertySet> properties;
  ASSERT_EQ(pin->QueryInterface(IID_IKsPropertySet, properties.OutVoid()), S_OK);
  DWORD support = 0;
  EXPECT_EQ(properties->QuerySupported(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &support), S_OK);
  EXPECT_EQ(support, static_cast<DWORD>(KSPROPERTY_SUPPORT_GET));
  GUID category;
  DWORD returned = 0;
  EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, 2, &returned),
            E_UNEXPECTED);
  EXPECT_NE(properties->Set(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                            sizeof(category)), S_OK);
}

TEST_F(Testbed, CameraCapabilitiesCoverThreeRgbFormatsAtTwoSizes) {
  ComPtr<IBaseFilter> camera = DeviceFilter(CLSID_VideoInputDeviceCategory, kCamera);
  ASSERT_TRUE(camera);
  ComPtr<IPin> pin = FindPinByCategory(camera.Get(), PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE);
  ComPtr<IAMStreamConfig> config;
  ASSERT_EQ(pin->QueryInterface(IID_IAMStreamConfig, config.OutVoid()), S_OK);
  int count = 0, size = 0;
  ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
  ASSERT_EQ(size, static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)));
  int found = 0;
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* mt = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(config->GetStreamCaps(i, &mt, reinterpret_cast<BYTE*>(&caps)), S_OK);
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat);
    const BITMAPINFOHEADER& bih = vih->bmiHeader;
    bool size640 = bih.biWidth == 640 && bih.biHeight == 480;
    bool size320 = bih.biWidth == 320 && bih.biHeight == 240;
    EXPECT_TRUE(size640 || size320);
    EXPECT_EQ(caps.MaxOutputSize.cx, bih.biWidth);
    EXPECT_LE(caps.MinFrameInterval, 666666);
    EXPECT_GE(caps.MaxFrameInterval, 666666);
    if (mt->subtype == MEDIASUBTYPE_RGB24) { EXPECT_EQ(bih.biBitCount, 24); }
    if (mt->subtype == MEDIASUBTYPE_RGB32) { EXPECT_EQ(bih.biBitCount, 32); }
    if (mt->subtype == MEDIASUBTYPE_RGB555) { EXPECT_EQ(bih.biBitCount, 16); }
    EXPECT_EQ(static_cast<long>(bih.biSizeImage), mt->lSampleSize);
    found += (mt->subtype == MEDIASUBTYPE_RGB24 || mt->subtype == MEDIASUBTYPE_RGB32 ||
              mt->subtype == MEDIASUBTYPE_RGB555);
    CoTaskMemFree(mt->pbFormat);
    CoTaskMemFree(mt);
  }
  EXPECT_EQ(found, 6);
  AM_MEDIA_TYPE* none = nullptr;
  VIDEO_STREAM_CONFIG_CAPS caps{};
  EXPECT_EQ(config->GetStreamCaps(count, &none, reinterpret_cast<BYTE*>(&caps)), S_FALSE);
}

TEST_F(Testbed, SetFormatTakesTheFrameRateAndSizeAndRefusesOthers) {
  ComPtr<IBaseFilter> camera = DeviceFilter(CLSID_VideoInputDeviceCategory, kCamera);
  ASSERT_TRUE(camera);
  ComPtr<IPin> pin = FindPinByCategory(camera.Get(), PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE);
  ComPtr<IAMStreamConfig> config;
  ASSERT_EQ(pin->QueryInterface(IID_IAMStreamConfig, config.OutVoid()), S_OK);

  AM_MEDIA_TYPE* mt = nullptr;
  ASSERT_EQ(config->GetFormat(&mt), S_OK);
  ASSERT_EQ(mt->formattype, FORMAT_VideoInfo);
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat);
  EXPECT_EQ(vih->bmiHeader.biWidth, 640);  // the first camera's default
  vih->AvgTimePerFrame = 666666;
  vih->bmiHeader.biWidth = 320;
  vih->bmiHeader.biHeight = 240;
  vih->bmiHeader.biSizeImage = 320 * 240 * vih->bmiHeader.biBitCount / 8;
  mt->lSampleSize = vih->bmiHeader.biSizeImage;
  EXPECT_EQ(config->SetFormat(mt), S_OK);

  AM_MEDIA_TYPE* now = nullptr;
  ASSERT_EQ(config->GetFormat(&now), S_OK);
  auto* current = reinterpret_cast<VIDEOINFOHEADER*>(now->pbFormat);
  EXPECT_EQ(current->AvgTimePerFrame, 666666);
  EXPECT_EQ(current->bmiHeader.biWidth, 320);

  // Once set, the pin offers only that format.
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(pin->EnumMediaTypes(types.Out()), S_OK);
  AM_MEDIA_TYPE* offered[4] = {};
  ULONG fetched = 0;
  types->Next(4, offered, &fetched);
  EXPECT_EQ(fetched, 1u);
  for (ULONG i = 0; i < fetched; ++i) {
    CoTaskMemFree(offered[i]->pbFormat);
    CoTaskMemFree(offered[i]);
  }

  vih->bmiHeader.biWidth = 800;  // a size the camera does not have
  EXPECT_EQ(config->SetFormat(mt), VFW_E_INVALIDMEDIATYPE);
  vih->bmiHeader.biWidth = 320;
  vih->AvgTimePerFrame = 10;  // far faster than 30 frames a second
  EXPECT_EQ(config->SetFormat(mt), VFW_E_INVALIDMEDIATYPE);
  for (AM_MEDIA_TYPE* t : {mt, now}) {
    CoTaskMemFree(t->pbFormat);
    CoTaskMemFree(t);
  }
}

TEST_F(Testbed, WriterStandInIsCreatedAsTheWmAsfWriterAndNamesItsFile) {
  ComPtr<IBaseFilter> writer;
  ASSERT_EQ(CoCreateInstance(CLSID_WMAsfWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             writer.OutVoid()), S_OK);
  ComPtr<IFileSinkFilter> sink;
  ASSERT_EQ(writer->QueryInterface(IID_IFileSinkFilter, sink.OutVoid()), S_OK);
  LPOLESTR name = nullptr;
  EXPECT_TRUE(FAILED(sink->GetCurFile(&name, nullptr)));
  EXPECT_EQ(sink->SetFileName(L"C:\\lesson\\html\\video.wmv", nullptr), S_OK);
  AM_MEDIA_TYPE mt;
  ASSERT_EQ(sink->GetCurFile(&name, &mt), S_OK);
  EXPECT_STREQ(name, L"C:\\lesson\\html\\video.wmv");
  CoTaskMemFree(name);

  ComPtr<IPin> videoIn = FindPinByCategory(writer.Get(), PINDIR_INPUT, GUID_NULL);
  ASSERT_TRUE(videoIn);
  int inputs = 0;
  ComPtr<IEnumPins> pins;
  ASSERT_EQ(writer->EnumPins(pins.Out()), S_OK);
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.Out(), nullptr) == S_OK) {
    PIN_DIRECTION d;
    pin->QueryDirection(&d);
    inputs += d == PINDIR_INPUT;
  }
  EXPECT_EQ(inputs, 2);
}

// Run by install_check.sh after `scripts/testbed.sh remove`: nothing of the testbed is left.
TEST(TestbedRemoved, NoTestDeviceNoWriterAndNoSoundDevice) {
  const char* removed = std::getenv("LUMORA_TESTBED_REMOVED");
  if (!removed || std::string(removed) != "1") GTEST_SKIP() << "the testbed is installed";
  ComApartment com;
  for (const std::wstring& name : Names(CLSID_VideoInputDeviceCategory))
    EXPECT_EQ(name.find(L"Lumora"), std::wstring::npos) << Narrow(name);
  for (const std::wstring& name : Names(CLSID_AudioInputDeviceCategory))
    EXPECT_EQ(name.find(L"Lumora"), std::wstring::npos) << Narrow(name);
  ComPtr<IBaseFilter> writer;
  EXPECT_EQ(CoCreateInstance(CLSID_WMAsfWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, writer.OutVoid()),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(waveInGetNumDevs(), 0u);
}
