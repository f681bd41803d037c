// The Windows Media Format stand-in as the published interfaces describe it: codec information
// with the Windows Media Screen codec, profiles that keep their streams, and a writer that
// takes a profile and describes its inputs.
#include "testbed/wmformat/WmProfileManager.h"
#include "testbed/wmformat/WmWriter.h"
#include "tests/support/TempDir.h"

#include <amvideo.h>
#include <nserror.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace testbed;

namespace dshow {
// The count of live objects that the DLL's module keeps; here it shows leaks.
LONG g_liveObjects = 0;
}  // namespace dshow

namespace {
class WmFormatStandIn : public ::testing::Test {
protected:
  void TearDown() override { EXPECT_EQ(g_liveObjects, 0) << "objects of the stand-in left alive"; }
};

template <typename T>
struct Ref {
  T* p = nullptr;
  ~Ref() { if (p) p->Release(); }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

// The media type of `props` in one block, as a caller of IWMMediaProps reads it.
// On failure, a zeroed video type, so that the checks that follow fail rather than crash.
std::vector<BYTE> MediaTypeOf(IWMMediaProps* props) {
  DWORD size = 0;
  HRESULT hr = props->GetMediaType(nullptr, &size);
  EXPECT_EQ(hr, S_OK);
  std::vector<BYTE> block(size);
  if (SUCCEEDED(hr) && size >= sizeof(WM_MEDIA_TYPE)) {
    hr = props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(block.data()), &size);
    EXPECT_EQ(hr, S_OK);
    if (SUCCEEDED(hr)) return block;
  }
  block.assign(sizeof(WM_MEDIA_TYPE) + sizeof(VIDEOINFOHEADER), 0);
  auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(block.data());
  type->cbFormat = sizeof(VIDEOINFOHEADER);
  type->pbFormat = block.data() + sizeof(WM_MEDIA_TYPE);
  return block;
}

const WM_MEDIA_TYPE& Type(const std::vector<BYTE>& block) { return *reinterpret_cast<const WM_MEDIA_TYPE*>(block.data()); }
const VIDEOINFOHEADER& Info(const std::vector<BYTE>& block) {
  return *reinterpret_cast<const VIDEOINFOHEADER*>(Type(block).pbFormat);
}

std::vector<BYTE> FormatType(WmProfileManager& manager, DWORD codec, DWORD format) {
  Ref<IWMStreamConfig> config;
  EXPECT_EQ(manager.GetCodecFormat(kWmVideo, codec, format, &config), S_OK);
  Ref<IWMMediaProps> props;
  EXPECT_EQ(config->QueryInterface(__uuidof(IWMMediaProps), reinterpret_cast<void**>(&props)), S_OK);
  return MediaTypeOf(props.p);
}

// A video stream of the screen codec's MSS2 format at `width` x `height`, numbered `number`.
void ScreenStream(WmProfileManager& manager, IWMProfile* profile, WORD number, LONG width, LONG height,
                  IWMStreamConfig** out) {
  std::vector<BYTE> type = FormatType(manager, 1, 0);
  auto& info = const_cast<VIDEOINFOHEADER&>(Info(type));
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  ASSERT_EQ(profile->CreateNewStream(kWmVideo, out), S_OK);
  Ref<IWMMediaProps> props;
  ASSERT_EQ((*out)->QueryInterface(__uuidof(IWMMediaProps), reinterpret_cast<void**>(&props)), S_OK);
  ASSERT_EQ(props->SetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(type.data())), S_OK);
  (*out)->SetStreamNumber(number);
  (*out)->SetBitrate(500000);
  (*out)->SetStreamName(L"Screen");
}
}  // namespace

TEST_F(WmFormatStandIn, CodecInformationOffersTheScreenCodecWithMss2ThenMss1) {
  WmProfileManager& manager = *new WmProfileManager;
  Ref<IWMCodecInfo2> codecs;
  ASSERT_EQ(manager.QueryInterface(__uuidof(IWMCodecInfo2), reinterpret_cast<void**>(&codecs)), S_OK);
  manager.Release();
  DWORD count = 0;
  ASSERT_EQ(codecs->GetCodecInfoCount(kWmVideo, &count), S_OK);
  ASSERT_EQ(count, 2u);
  wchar_t name[64];
  DWORD length = 64;
  ASSERT_EQ(codecs->GetCodecName(kWmVideo, 1, name, &length), S_OK);
  EXPECT_STREQ(name, L"Windows Media Screen");
  DWORD formats = 0;
  ASSERT_EQ(codecs->GetCodecFormatCount(kWmVideo, 1, &formats), S_OK);
  ASSERT_EQ(formats, 2u);

  const GUID subtypes[] = {kWmSubtypeMss2, kWmSubtypeMss1};
  const DWORD fourccs[] = {0x3253534D, 0x3153534D};
  for (DWORD f = 0; f < 2; ++f) {
    std::vector<BYTE> block = FormatType(manager, 1, f);
    const WM_MEDIA_TYPE& type = Type(block);
    EXPECT_EQ(type.majortype, kWmVideo);
    EXPECT_EQ(type.subtype, subtypes[f]);
    EXPECT_EQ(type.formattype, kWmFormatVideoInfo);
    EXPECT_TRUE(type.bTemporalCompression);
    ASSERT_EQ(type.cbFormat, sizeof(VIDEOINFOHEADER));
    // The format block follows the structure inside the caller's block.
    EXPECT_EQ(type.pbFormat, block.data() + sizeof(WM_MEDIA_TYPE));
    EXPECT_EQ(block.size(), sizeof(WM_MEDIA_TYPE) + sizeof(VIDEOINFOHEADER));
    EXPECT_EQ(Info(block).bmiHeader.biCompression, fourccs[f]);
    EXPECT_EQ(Info(block).bmiHeader.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_GT(Info(block).bmiHeader.biWidth, 0);
  }
  // The first codec is an ordinary video codec, so a search must look past it.
  EXPECT_EQ(Type(FormatType(manager, 0, 0)).subtype, kWmSubtypeWmv3);
}

TEST_F(WmFormatStandIn, CodecInformationRefusesWhatItDoesNotHave) {
  WmProfileManager manager;
  DWORD count = 7;
  EXPECT_EQ(manager.GetCodecInfoCount(kWmAudio, &count), S_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(manager.GetCodecInfoCount(GUID_NULL, &count), E_INVALIDARG);
  EXPECT_EQ(manager.GetCodecFormatCount(kWmVideo, 2, &count), E_INVALIDARG);
  IWMStreamConfig* config = reinterpret_cast<IWMStreamConfig*>(1);
  EXPECT_EQ(manager.GetCodecFormat(kWmVideo, 1, 2, &config), E_INVALIDARG);
  EXPECT_EQ(config, nullptr);
  // A block too small is refused with the size it needs.
  Ref<IWMStreamConfig> format;
  ASSERT_EQ(manager.GetCodecFormat(kWmVideo, 1, 0, &format), S_OK);
  Ref<IWMMediaProps> props;
  ASSERT_EQ(format->QueryInterface(__uuidof(IWMMediaProps), reinterpret_cast<void**>(&props)), S_OK);
  std::vector<BYTE> small(sizeof(WM_MEDIA_TYPE));
  DWORD size = static_cast<DWORD>(small.size());
  EXPECT_EQ(props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(small.data()), &size), NS_E_SDK_BUFFERTOOSMALL);
  EXPECT_EQ(size, sizeof(WM_MEDIA_TYPE) + sizeof(VIDEOINFOHEADER));
  Ref<IWMProfile> profile;
  EXPECT_EQ(manager.CreateEmptyProfile(static_cast<WMT_VERSION>(0x00050000), &profile), E_INVALIDARG);
}

TEST_F(WmFormatStandIn, ProfileKeepsCheckedCopiesOfItsStreams) {
  WmProfileManager manager;
  Ref<IWMProfile> profile;
  ASSERT_EQ(manager.CreateEmptyProfile(WMT_VER_9_0, &profile), S_OK);
  // A stream without a media type, or without a number, is refused.
  Ref<IWMStreamConfig> bare;
  ASSERT_EQ(profile->CreateNewStream(kWmVideo, &bare), S_OK);
  bare->SetStreamNumber(1);
  EXPECT_EQ(profile->AddStream(bare.p), NS_E_INVALID_INPUT_FORMAT);
  Ref<IWMStreamConfig> unnumbered;
  ScreenStream(manager, profile.p, 0, 800, 600, &unnumbered);
  EXPECT_EQ(profile->AddStream(unnumbered.p), NS_E_INVALID_STREAM);
  // Audio media types do not fit a video stream.
  Ref<IWMMediaProps> props;
  ASSERT_EQ(bare->QueryInterface(__uuidof(IWMMediaProps), reinterpret_cast<void**>(&props)), S_OK);
  WM_MEDIA_TYPE audio{};
  audio.majortype = kWmAudio;
  EXPECT_EQ(props->SetMediaType(&audio), NS_E_INVALID_INPUT_FORMAT);

  Ref<IWMStreamConfig> screen;
  ScreenStream(manager, profile.p, 1, 1366, 768, &screen);
  ASSERT_EQ(profile->AddStream(screen.p), S_OK);
  EXPECT_EQ(profile->AddStream(screen.p), NS_E_INVALID_STREAM) << "a second stream 1";
  // Later changes of the caller's object do not reach the profile.
  screen->SetBitrate(1);
  Ref<IWMStreamConfig> kept;
  ASSERT_EQ(profile->GetStreamByNumber(1, &kept), S_OK);
  DWORD bitRate = 0;
  kept->GetBitrate(&bitRate);
  EXPECT_EQ(bitRate, 500000u);
  DWORD count = 0;
  profile->GetStreamCount(&count);
  EXPECT_EQ(count, 1u);
}

TEST_F(WmFormatStandIn, WriterTakesAProfileAndDescribesItsInput) {
  TempDir folder;
  std::string report = folder / "report.txt";
  SetEnvironmentVariableA("LUMORA_TESTBED_WM_REPORT", report.c_str());
  WmProfileManager manager;
  Ref<IWMWriter> writer;
  writer.p = new WmWriter;
  Ref<IWMInputMediaProps> input;
  EXPECT_EQ(writer->GetInputProps(0, &input), NS_E_INVALID_REQUEST) << "no profile yet";
  Ref<IWMProfile> empty;
  ASSERT_EQ(manager.CreateEmptyProfile(WMT_VER_9_0, &empty), S_OK);
  EXPECT_EQ(writer->SetProfile(empty.p), NS_E_INVALID_REQUEST);

  Ref<IWMProfile> profile;
  ASSERT_EQ(manager.CreateEmptyProfile(WMT_VER_9_0, &profile), S_OK);
  Ref<IWMStreamConfig> screen;
  ScreenStream(manager, profile.p, 1, 1366, 768, &screen);
  screen->SetBufferWindow(3000);
  ASSERT_EQ(profile->AddStream(screen.p), S_OK);
  ASSERT_EQ(writer->SetProfile(profile.p), S_OK);
  DWORD inputs = 0;
  ASSERT_EQ(writer->GetInputCount(&inputs), S_OK);
  EXPECT_EQ(inputs, 1u);
  ASSERT_EQ(writer->GetInputProps(0, &input), S_OK);
  std::vector<BYTE> type = MediaTypeOf(input.p);
  EXPECT_EQ(Type(type).subtype, kWmSubtypeRgb24);
  EXPECT_EQ(Info(type).bmiHeader.biWidth, 1366);
  EXPECT_EQ(Info(type).bmiHeader.biHeight, 768);
  EXPECT_EQ(Info(type).bmiHeader.biSizeImage, 1366u * 768 * 3);
  wchar_t name[32];
  WORD length = 32;
  ASSERT_EQ(input->GetConnectionName(name, &length), S_OK);
  EXPECT_STREQ(name, L"Screen");
  Ref<IWMInputMediaProps> second;
  EXPECT_EQ(writer->GetInputProps(1, &second), E_INVALIDARG);

  EXPECT_EQ(writer->BeginWriting(), NS_E_INVALID_REQUEST) << "no file yet";
  EXPECT_EQ(writer->SetOutputFilename(L""), E_INVALIDARG);
  EXPECT_EQ(writer->SetOutputFilename(L"C:\\lesson\\html\\screen.avi"), S_OK);
  EXPECT_EQ(writer->EndWriting(), NS_E_INVALID_REQUEST) << "writing never began";
  SetEnvironmentVariableA("LUMORA_TESTBED_WM_REPORT", nullptr);

  std::ifstream file(report);
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_EQ(text.str(),
            "SetProfile: stream 1 \"Screen\" MSS2 1366x768 500000 bps, format 250000 bps 1.0 s/frame, buffer 3000 ms\n"
            "SetOutputFilename: C:\\lesson\\html\\screen.avi\n"
            "EndWriting: not writing\n");
}
