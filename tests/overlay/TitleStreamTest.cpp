// Samples through the filter's pins: the camera's type passes unchanged, the downstream pin gets
// the upstream allocator and the very sample with its times, and the title is in it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/Handles.h"
#include "overlay/TitleOverlayFilter.h"
#include "tests/overlay/Frames.h"

#include <uuids.h>

namespace {

// Minimal pins on either side of the filter, counted by hand.
template <typename... Interfaces>
class PinFake : public IPin, public Interfaces... {
public:
  virtual ~PinFake() = default;
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IPin) *out = static_cast<IPin*>(this);
    else *out = Extra(iid);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }  // lives on the test's stack
  STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE* mt) override {
    received = *mt;
    receivedFormat.assign(mt->pbFormat, mt->pbFormat + mt->cbFormat);
    return S_OK;
  }
  STDMETHODIMP Disconnect() override { return S_OK; }
  STDMETHODIMP ConnectedTo(IPin**) override { return E_NOTIMPL; }
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryDirection(PIN_DIRECTION* d) override {
    *d = direction;
    return S_OK;
  }
  STDMETHODIMP QueryId(LPWSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return S_OK; }
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override {
    ++endOfStream;
    return S_OK;
  }
  STDMETHODIMP BeginFlush() override { return S_OK; }
  STDMETHODIMP EndFlush() override { return S_OK; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

  PIN_DIRECTION direction = PINDIR_OUTPUT;
  LONG refs = 1;
  AM_MEDIA_TYPE received{};
  std::vector<BYTE> receivedFormat;
  int endOfStream = 0;

protected:
  virtual void* Extra(REFIID) { return nullptr; }
};

class ReceiverFake : public PinFake<IMemInputPin> {
public:
  ReceiverFake() { direction = PINDIR_INPUT; }
  STDMETHODIMP GetAllocator(IMemAllocator**) override { return VFW_E_NO_ALLOCATOR; }
  STDMETHODIMP NotifyAllocator(IMemAllocator* a, BOOL) override {
    allocator = a;
    return S_OK;
  }
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  STDMETHODIMP Receive(IMediaSample* sample) override {
    samples.push_back(sample);
    sample->GetTime(&start, &stop);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    firstBytes.assign(data, data + sample->GetActualDataLength());
    return S_OK;
  }
  STDMETHODIMP ReceiveMultiple(IMediaSample**, LONG, LONG*) override { return E_NOTIMPL; }
  STDMETHODIMP ReceiveCanBlock() override { return S_FALSE; }
  IMemAllocator* allocator = nullptr;
  std::vector<IMediaSample*> samples;
  REFERENCE_TIME start = 0, stop = 0;
  std::vector<BYTE> firstBytes;

protected:
  void* Extra(REFIID iid) override { return iid == IID_IMemInputPin ? static_cast<IMemInputPin*>(this) : nullptr; }
};

class TitleStreamTest : public testing::Test {
protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    filter = new TitleOverlayFilter();
    filter->SetTitleText("Lumora", 6);
  }
  void TearDown() override {
    filter->Stop();
    filter->Output().Disconnect();
    filter->Input().Disconnect();
    static_cast<IBaseFilter*>(filter)->Release();
    CoUninitialize();
  }
  TitleOverlayFilter* filter = nullptr;
  PinFake<> camera;
  ReceiverFake writer;
};

TEST_F(TitleStreamTest, InputTakesTheFourCameraFormatsOnly) {
  for (FramePixels pixels : {FramePixels::Rgb24, FramePixels::Rgb32, FramePixels::Rgb555, FramePixels::Yuy2}) {
    OwnedType type;
    FillType(type, pixels, 320, 240, true);
    EXPECT_EQ(filter->Input().QueryAccept(&type.mt), S_OK) << Name(pixels);
  }
  OwnedType type;
  FillType(type, FramePixels::Rgb24, 320, 240, true);
  type.mt.subtype = MEDIASUBTYPE_MJPG;
  EXPECT_EQ(filter->Input().QueryAccept(&type.mt), S_FALSE);
  FillType(type, FramePixels::Rgb24, 320, 240, true);
  type.vih.bmiHeader.biBitCount = 8;  // subtype and bit count disagree
  EXPECT_EQ(filter->Input().QueryAccept(&type.mt), S_FALSE);
  FillType(type, FramePixels::Rgb24, 0, 240, true);
  EXPECT_EQ(filter->Input().QueryAccept(&type.mt), S_FALSE);
  FillType(type, FramePixels::Rgb24, 320, 240, true);
  type.mt.cbFormat = 10;  // format block too small for its header
  EXPECT_EQ(filter->Input().QueryAccept(&type.mt), S_FALSE);
  FillType(type, FramePixels::Yuy2, 321, 240, false);  // YUY2 comes in pixel pairs
  EXPECT_EQ(filter->Input().QueryAccept(&type.mt), S_FALSE);
  EXPECT_EQ(filter->Input().QueryAccept(nullptr), E_POINTER);
}

TEST_F(TitleStreamTest, SamplePassesInPlaceWithItsTimes) {
  OwnedType type;
  FillType(type, FramePixels::Rgb24, 320, 240, true);
  ASSERT_EQ(filter->Input().ReceiveConnection(&camera, &type.mt), S_OK);

  // The camera's allocator, as a camera pin would set it up.
  ComPtr<IMemAllocator> allocator;
  ASSERT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                             allocator.OutVoid()),
            S_OK);
  ALLOCATOR_PROPERTIES want{2, 320 * 240 * 3, 1, 0}, got{};
  ASSERT_EQ(allocator->SetProperties(&want, &got), S_OK);
  ASSERT_EQ(filter->Input().NotifyAllocator(allocator.Get(), FALSE), S_OK);

  // The output offers exactly the input's type and hands the writer the camera's allocator.
  ASSERT_EQ(filter->Output().Connect(&writer, nullptr), S_OK);
  EXPECT_TRUE(IsEqualGUID(writer.received.subtype, MEDIASUBTYPE_RGB24));
  ASSERT_EQ(writer.receivedFormat.size(), sizeof(VIDEOINFOHEADER));
  EXPECT_EQ(std::memcmp(writer.receivedFormat.data(), &type.vih, sizeof(VIDEOINFOHEADER)), 0);
  EXPECT_EQ(writer.allocator, allocator.Get());

  ComPtr<IMediaSample> sample;
  ASSERT_EQ(allocator->Commit(), S_OK);
  ASSERT_EQ(allocator->GetBuffer(sample.Out(), nullptr, nullptr, 0), S_OK);
  BYTE* data = nullptr;
  ASSERT_EQ(sample->GetPointer(&data), S_OK);
  std::memset(data, 0x80, 320 * 240 * 3);
  sample->SetActualDataLength(320 * 240 * 3);
  REFERENCE_TIME start = 1234567, stop = 1234567 + 666666;
  sample->SetTime(&start, &stop);
  LONGLONG mediaStart = 42, mediaStop = 43;
  sample->SetMediaTime(&mediaStart, &mediaStop);
  sample->SetSyncPoint(TRUE);

  EXPECT_EQ(filter->Input().Receive(sample.Get()), VFW_E_WRONG_STATE) << "a stopped filter takes no samples";
  ASSERT_EQ(filter->Pause(), S_OK);
  ASSERT_EQ(filter->Input().Receive(sample.Get()), S_OK);
  ASSERT_EQ(writer.samples.size(), 1u);
  EXPECT_EQ(writer.samples[0], sample.Get()) << "the same sample, not a copy";
  EXPECT_EQ(writer.start, start);
  EXPECT_EQ(writer.stop, stop);
  LONGLONG ms = 0, me = 0;
  EXPECT_EQ(sample->GetMediaTime(&ms, &me), S_OK);
  EXPECT_EQ(ms, 42);
  EXPECT_EQ(me, 43);
  EXPECT_EQ(sample->IsSyncPoint(), S_OK);
  size_t changed = 0;
  for (BYTE b : writer.firstBytes) changed += b != 0x80;
  EXPECT_GT(changed, 100u) << "the title was drawn before the writer saw the sample";

  EXPECT_EQ(filter->Input().EndOfStream(), S_OK);
  EXPECT_EQ(writer.endOfStream, 1);
  sample = nullptr;
  filter->Stop();
  allocator->Decommit();
}

TEST_F(TitleStreamTest, OutputRefusesAnotherTypeThanTheInputs) {
  OwnedType type;
  FillType(type, FramePixels::Yuy2, 640, 480, false);
  OwnedType other;
  FillType(other, FramePixels::Rgb32, 640, 480, true);
  EXPECT_EQ(filter->Output().Connect(&writer, &type.mt), VFW_E_TYPE_NOT_ACCEPTED) << "no input yet";
  ASSERT_EQ(filter->Input().ReceiveConnection(&camera, &type.mt), S_OK);
  EXPECT_EQ(filter->Output().QueryAccept(&other.mt), S_FALSE);
  FillType(other, FramePixels::Yuy2, 320, 240, false);
  EXPECT_EQ(filter->Output().QueryAccept(&other.mt), S_FALSE) << "another size";
  EXPECT_EQ(filter->Output().QueryAccept(&type.mt), S_OK);
}

}  // namespace
