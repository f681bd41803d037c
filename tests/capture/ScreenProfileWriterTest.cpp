#include "capture/CaptureGuids.h"
#include "capture/ScreenProfileWriter.h"
#include "tests/capture/ComFake.h"
#include "tests/capture/DShowFakes.h"
#include "tests/support/MessageBoxRecorder.h"

#include <amvideo.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace fakes;

namespace {
void Log(const std::string& call) { Calls().push_back(call); }

// One stream configuration: a codec's format (with media properties) or a new profile stream.
class FakeWmStream : public ComFake<IWMStreamConfig, IWMMediaProps> {
public:
  explicit FakeWmStream(const GUID& subtype) : subtype_(subtype) {}
  HRESULT STDMETHODCALLTYPE GetStreamType(GUID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStreamNumber(WORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStreamNumber(WORD number) override { Log("SetStreamNumber " + std::to_string(number)); return S_OK; }
  HRESULT STDMETHODCALLTYPE GetStreamName(WCHAR*, WORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStreamName(LPCWSTR name) override { Log("SetStreamName " + std::string(name[0] == L'S' ? "Screen" : "?")); return S_OK; }
  HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR*, WORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetConnectionName(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBitrate(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetBitrate(DWORD rate) override { Log("SetBitrate " + std::to_string(rate)); return S_OK; }
  HRESULT STDMETHODCALLTYPE GetBufferWindow(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetBufferWindow(DWORD ms) override { Log("SetBufferWindow " + std::to_string(ms)); return S_OK; }
  HRESULT STDMETHODCALLTYPE GetType(GUID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) override {
    DWORD needed = sizeof(WM_MEDIA_TYPE) + sizeof(VIDEOINFOHEADER);
    if (!type) { *size = needed; return S_OK; }
    if (*size < needed) return E_INVALIDARG;
    *type = WM_MEDIA_TYPE{};
    type->majortype = WMMEDIATYPE_VideoType;
    type->subtype = subtype_;
    type->formattype = FORMAT_VideoInfo;
    type->cbFormat = sizeof(VIDEOINFOHEADER);
    type->pbFormat = reinterpret_cast<BYTE*>(type + 1);
    *reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat) = VIDEOINFOHEADER{};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMediaType(WM_MEDIA_TYPE* type) override {
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
    Log("SetMediaType " + std::string(type->subtype == WMMEDIASUBTYPE_MSS2Type ? "MSS2" : type->subtype == WMMEDIASUBTYPE_MSS1Type ? "MSS1" : "?") +
        " " + std::to_string(info->AvgTimePerFrame) + " " + std::to_string(info->dwBitRate) + " " +
        std::to_string(info->bmiHeader.biWidth) + "x" + std::to_string(info->bmiHeader.biHeight) +
        (type->pbFormat == reinterpret_cast<BYTE*>(type + 1) ? " one block" : " apart"));
    return S_OK;
  }

private:
  GUID subtype_;
};

class FakeProfile : public ComFake<IWMProfile> {
public:
  HRESULT STDMETHODCALLTYPE GetVersion(WMT_VERSION*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetName(WCHAR*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetName(const WCHAR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDescription(WCHAR*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetDescription(const WCHAR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStreamCount(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStream(DWORD, IWMStreamConfig**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStreamByNumber(WORD, IWMStreamConfig**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveStream(IWMStreamConfig*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveStreamByNumber(WORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddStream(IWMStreamConfig*) override { Log("AddStream"); return S_OK; }
  HRESULT STDMETHODCALLTYPE ReconfigStream(IWMStreamConfig*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateNewStream(REFGUID type, IWMStreamConfig** out) override {
    Log(std::string("CreateNewStream ") + (type == WMMEDIATYPE_VideoType ? "video" : "?"));
    *out = new FakeWmStream(GUID_NULL);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMutualExclusionCount(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMutualExclusion(DWORD, IWMMutualExclusion**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveMutualExclusion(IWMMutualExclusion*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddMutualExclusion(IWMMutualExclusion*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateNewMutualExclusion(IWMMutualExclusion**) override { return E_NOTIMPL; }
};

// A profile manager; with codecs it also offers IWMCodecInfo over one format per codec.
class FakeProfileManager : public ComFake<IWMProfileManager, IWMCodecInfo> {
public:
  explicit FakeProfileManager(std::vector<GUID> codecs, bool offersCodecInfo = true)
      : codecs_(std::move(codecs)), offersCodecInfo_(offersCodecInfo) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == __uuidof(IWMCodecInfo) && !offersCodecInfo_) { *out = nullptr; return E_NOINTERFACE; }
    return ComFake::QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE CreateEmptyProfile(WMT_VERSION version, IWMProfile** out) override {
    Log("CreateEmptyProfile " + HexValue(version));
    *out = new FakeProfile;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE LoadProfileByID(REFGUID, IWMProfile**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LoadProfileByData(const WCHAR*, IWMProfile**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SaveProfile(IWMProfile*, WCHAR*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSystemProfileCount(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LoadSystemProfile(DWORD, IWMProfile**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCodecInfoCount(REFGUID, DWORD* count) override {
    *count = static_cast<DWORD>(codecs_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCodecFormatCount(REFGUID, DWORD codec, DWORD* count) override {
    *count = codecs_.at(codec) == GUID_NULL ? 0 : 1;  // GUID_NULL: a codec with no formats
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCodecFormat(REFGUID, DWORD codec, DWORD format, IWMStreamConfig** out) override {
    Log("GetCodecFormat " + std::to_string(codec) + " " + std::to_string(format));
    *out = new FakeWmStream(codecs_.at(codec));
    return S_OK;
  }

private:
  std::vector<GUID> codecs_;
  bool offersCodecInfo_;
};

class FakeWmWriter : public ComFake<IWMWriter> {
public:
  HRESULT STDMETHODCALLTYPE SetProfileByID(REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetProfile(IWMProfile*) override { Log("SetProfile"); return S_OK; }
  HRESULT STDMETHODCALLTYPE SetOutputFilename(const WCHAR* name) override {
    Log("SetOutputFilename " + WideToAnsiForTest(name));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetInputCount(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetInputProps(DWORD input, IWMInputMediaProps** out) override {
    Log("GetInputProps " + std::to_string(input));
    *out = nullptr;
    return inputPropsResult;
  }
  HRESULT STDMETHODCALLTYPE SetInputProps(DWORD, IWMInputMediaProps*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetInputFormatCount(DWORD, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetInputFormat(DWORD, DWORD, IWMInputMediaProps**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BeginWriting() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EndWriting() override { Log("EndWriting"); return S_OK; }
  HRESULT STDMETHODCALLTYPE AllocateSample(DWORD, INSSBuffer**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE WriteSample(DWORD, QWORD, DWORD, INSSBuffer*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Flush() override { return E_NOTIMPL; }
  static std::string WideToAnsiForTest(const WCHAR* text) {
    std::string out;
    for (; *text; ++text) out += static_cast<char>(*text);
    return out;
  }
  HRESULT inputPropsResult = S_OK;
};

class ScreenProfile : public ::testing::Test {
protected:
  void SetUp() override {
    Calls().clear();
    liveAtStart_ = LiveObjects();
  }
  void TearDown() override { EXPECT_EQ(LiveObjects(), liveAtStart_); }
  WindowsMediaRuntime Runtime(std::vector<GUID> codecs, bool codecInfo = true) {
    WindowsMediaRuntime runtime;
    runtime.createProfileManager = [codecs, codecInfo](IWMProfileManager** out) {
      *out = new FakeProfileManager(codecs, codecInfo);
      return S_OK;
    };
    runtime.createWriter = [this](IUnknown* certificate, IWMWriter** out) {
      Log(std::string("WMCreateWriter") + (certificate ? " with certificate" : ""));
      auto* writer = new FakeWmWriter;
      writer->inputPropsResult = inputPropsResult;
      *out = writer;
      return S_OK;
    };
    return runtime;
  }
  MessageBoxRecorder boxes;
  HRESULT inputPropsResult = S_OK;

private:
  int liveAtStart_ = 0;
};
}  // namespace

TEST_F(ScreenProfile, Mss2IsPreferredAndTheProfileDescribesTheScreen) {
  {
    ScreenProfileWriter writer;
    writer.Init(Runtime({GUID_NULL, WMMEDIASUBTYPE_MSS1Type, WMMEDIASUBTYPE_MSS2Type}), 1366, 768);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(Calls(), (std::vector<std::string>{
                           "GetCodecFormat 1 0",
                           "GetCodecFormat 2 0",
                           "WMCreateWriter",
                           "CreateEmptyProfile 90000",
                           "CreateNewStream video",
                           "SetMediaType MSS2 10000000 500000 1366x768 one block",
                           "SetStreamName Screen",
                           "SetBitrate 500000",
                           "SetBufferWindow 3000",
                           "SetStreamNumber 1",
                           "AddStream",
                           "SetProfile",
                           "GetInputProps 0",
                       }));
    ASSERT_TRUE(writer.HasWriter());
    EXPECT_EQ(writer.ScreenCodecType()->subtype, WMMEDIASUBTYPE_MSS2Type);
    Calls().clear();
    EXPECT_EQ(writer.SetOutputFilename("C:\\l\\html\\screen.avi"), S_OK);
    EXPECT_EQ(writer.EndWriting(), S_OK);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"SetOutputFilename C:\\l\\html\\screen.avi", "EndWriting"}));
  }
}

TEST_F(ScreenProfile, Mss1AloneIsAcceptedSilently) {
  ScreenProfileWriter writer;
  writer.Init(Runtime({WMMEDIASUBTYPE_MSS1Type}), 800, 600);
  EXPECT_TRUE(boxes.Texts().empty());
  EXPECT_TRUE(writer.HasWriter());
  EXPECT_EQ(writer.ScreenCodecType()->subtype, WMMEDIASUBTYPE_MSS1Type);
}

TEST_F(ScreenProfile, WithoutAScreenCodecTheWriterCallsDoNothing) {
  ScreenProfileWriter writer;
  writer.Init(Runtime({MEDIASUBTYPE_RGB24}), 800, 600);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Windows Media Screen codec is not available."}));
  EXPECT_FALSE(writer.HasWriter());
  Calls().clear();
  EXPECT_EQ(writer.SetOutputFilename("C:\\screen.avi"), S_FALSE);
  EXPECT_EQ(writer.EndWriting(), S_FALSE);
  EXPECT_TRUE(Calls().empty());
}

TEST_F(ScreenProfile, ManagerWithoutCodecInformationIsReportedForEachSubtype) {
  ScreenProfileWriter writer;
  writer.Init(Runtime({WMMEDIASUBTYPE_MSS2Type}, false), 800, 600);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Failed to Get the IWMCodecInfo Interface.",
                                                     "Failed to Get the IWMCodecInfo Interface.",
                                                     "Windows Media Screen codec is not available."}));
  EXPECT_FALSE(writer.HasWriter());
  EXPECT_NE(writer.ProfileManager(), nullptr);
}

TEST_F(ScreenProfile, MissingRuntimeMeansNoProfileManager) {
  ScreenProfileWriter writer;
  writer.Init(WindowsMediaRuntime{}, 800, 600);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Failed to Create a Profile Manager."}));
  EXPECT_EQ(writer.ProfileManager(), nullptr);
  EXPECT_EQ(writer.EndWriting(), S_FALSE);
}

TEST_F(ScreenProfile, FailingWriterSetUpIsReported) {
  inputPropsResult = E_UNEXPECTED;
  ScreenProfileWriter writer;
  writer.Init(Runtime({WMMEDIASUBTYPE_MSS2Type}), 800, 600);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"ASF Writer cannot be inited."}));
  EXPECT_FALSE(writer.HasWriter());
}

// The runtime of the test prefix: the testbed's stand-in (scripts/testbed.sh), whose codec
// information offers the Windows Media Screen codec; Wine's own runtime has none, and the
// program's boxes for that are checked end to end (tests/e2e/startup_windows_media.sh).
TEST_F(ScreenProfile, InstalledRuntimeGivesTheScreenProfileWithMss2) {
  WindowsMediaRuntime runtime = LoadWindowsMediaRuntime();
  ASSERT_TRUE(runtime.createProfileManager && runtime.createWriter) << "wmvcore.dll is not installed";
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ScreenProfileWriter writer;
  writer.Init(runtime, 1366, 768);
  ASSERT_TRUE(boxes.Texts().empty()) << boxes.Texts()[0] << " (is the testbed installed?)";
  ASSERT_TRUE(writer.HasWriter());
  ASSERT_EQ(writer.ScreenCodecType()->subtype, WMMEDIASUBTYPE_MSS2Type);

  // The profile as the runtime keeps it: one screen stream of MSS2 at the display's size.
  IWMProfile* profile = writer.Profile();
  DWORD count = 0;
  ASSERT_EQ(profile->GetStreamCount(&count), S_OK);
  ASSERT_EQ(count, 1u);
  ComPtr<IWMStreamConfig> stream;
  ASSERT_EQ(profile->GetStream(0, stream.Out()), S_OK);
  WORD number = 0;
  DWORD bitRate = 0, window = 0;
  stream->GetStreamNumber(&number);
  stream->GetBitrate(&bitRate);
  stream->GetBufferWindow(&window);
  EXPECT_EQ(number, 1);
  EXPECT_EQ(bitRate, 500000u);
  EXPECT_EQ(window, 3000u);
  wchar_t name[16] = {};
  WORD length = 16;
  ASSERT_EQ(stream->GetStreamName(name, &length), S_OK);
  EXPECT_STREQ(name, L"Screen");
  ComPtr<IWMMediaProps> props;
  ASSERT_EQ(stream.As(props), S_OK);
  DWORD size = 0;
  ASSERT_EQ(props->GetMediaType(nullptr, &size), S_OK);
  std::vector<BYTE> block(size);
  auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(block.data());
  ASSERT_EQ(props->GetMediaType(type, &size), S_OK);
  EXPECT_EQ(type->subtype, WMMEDIASUBTYPE_MSS2Type);
  ASSERT_GE(type->cbFormat, sizeof(VIDEOINFOHEADER));
  auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
  EXPECT_EQ(info->bmiHeader.biWidth, 1366);
  EXPECT_EQ(info->bmiHeader.biHeight, 768);
  EXPECT_EQ(info->AvgTimePerFrame, 10000000);
  EXPECT_EQ(info->dwBitRate, 500000u);

  EXPECT_EQ(writer.SetOutputFilename("C:\\lesson\\html\\screen.avi"), S_OK);
  // Writing never began, so the runtime refuses to end it; the program ignores that.
  EXPECT_TRUE(FAILED(writer.EndWriting()));
}
