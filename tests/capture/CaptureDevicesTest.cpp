#include "capture/CaptureDevices.h"
#include "tests/capture/EngineFixture.h"

#include <gtest/gtest.h>

using namespace fakes;

namespace {
std::string IdOf(const ComPtr<IMoniker>& moniker) {
  auto* fake = dynamic_cast<FakeMoniker*>(moniker.Get());
  return fake ? fake->id : "none";
}
}  // namespace

using CaptureDevices = EngineTest;

TEST_F(CaptureDevices, DeviceWithoutReadableNameKeepsItsPositionAsAnEmptySlot) {
  devices->AddVideo("cam0");
  devices->AddVideo("nameless", false);
  devices->AddVideo("cam2");
  devices->AddAudio("mic0");
  engine->EnumerateCaptureDevices();
  EXPECT_EQ(engine->videoDevices.count, 3);
  EXPECT_EQ(IdOf(engine->videoDevices.slots[0]), "cam0");
  EXPECT_FALSE(engine->videoDevices.slots[1]);
  EXPECT_EQ(IdOf(engine->videoDevices.slots[2]), "cam2");
  EXPECT_EQ(engine->audioDevices.count, 1);
  EXPECT_EQ(IdOf(engine->audioDevices.slots[0]), "mic0");

  // The settings dialog lists only the readable names.
  EXPECT_EQ(ReadableDeviceNames(devices, DeviceKind::Video),
            (std::vector<std::string>{"cam0", "cam2"}));
}

TEST_F(CaptureDevices, OnlyTheFirstTenDevicesAreTaken) {
  for (int i = 0; i < 12; ++i) devices->AddVideo("cam" + std::to_string(i));
  engine->EnumerateCaptureDevices();
  EXPECT_EQ(engine->videoDevices.count, 10);
  EXPECT_EQ(IdOf(engine->videoDevices.slots[9]), "cam9");
  EXPECT_EQ(engine->audioDevices.count, 0);
}

TEST_F(CaptureDevices, ReEnumerationEmptiesSlotsOfVanishedDevices) {
  devices->AddVideo("cam0");
  devices->AddVideo("cam1");
  engine->EnumerateCaptureDevices();
  devices->ClearVideo();
  engine->EnumerateCaptureDevices();
  EXPECT_EQ(engine->videoDevices.count, 0);
  EXPECT_FALSE(engine->videoDevices.slots[0]);
  EXPECT_FALSE(engine->videoDevices.slots[1]);
}

TEST_F(CaptureDevices, MissingDeviceEnumeratorIsReportedOnceAndLeavesNoDevices) {
  devices->AddVideo("cam0");
  engine->EnumerateCaptureDevices();
  factory.Unregister(CLSID_SystemDeviceEnum);
  engine->EnumerateCaptureDevices();
  EXPECT_EQ(engine->videoDevices.count, 0);
  EXPECT_FALSE(engine->videoDevices.slots[0]);
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{Box("创建设备枚举器失败！")}));
  ASSERT_EQ(boxTypes.size(), 1u);
  EXPECT_EQ(boxTypes[0], static_cast<UINT>(MB_OK | MB_TASKMODAL | MB_SETFOREGROUND));
}

TEST_F(CaptureDevices, CurrentDeviceStaysCurrentWhenTheOrderChanges) {
  devices->AddVideo("cam0");
  devices->AddVideo("cam1");
  devices->AddAudio("mic0");
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(1, 0);
  EXPECT_EQ(IdOf(engine->videoDevices.current), "cam1");

  devices->RotateVideo();  // now cam1, cam0
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(1, 0);
  EXPECT_EQ(IdOf(engine->videoDevices.current), "cam1");
  EXPECT_EQ(IdOf(engine->audioDevices.current), "mic0");
}

TEST_F(CaptureDevices, VanishedCurrentDeviceIsReplacedByTheIndexedSlot) {
  devices->AddVideo("cam0");
  devices->AddVideo("cam1");
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(1, 0);
  devices->ClearVideo();
  devices->AddVideo("cam2");
  devices->AddVideo("cam3");
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(1, 0);
  EXPECT_EQ(IdOf(engine->videoDevices.current), "cam3");
  EXPECT_FALSE(engine->audioDevices.current);  // no microphone at all
}

TEST_F(CaptureDevices, ChangedDevicesForceTheIndexedSlots) {
  devices->AddVideo("cam0");
  devices->AddVideo("cam1");
  devices->AddAudio("mic0");
  devices->AddAudio("mic1");
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(0, 0);
  engine->devicesChanged = 1;
  engine->SelectDevicesByIndex(1, 1);
  EXPECT_EQ(IdOf(engine->videoDevices.current), "cam1");
  EXPECT_EQ(IdOf(engine->audioDevices.current), "mic1");
}

TEST_F(CaptureDevices, ChoosingDevicesRebuildsThePreviewOnlyOnceOneHasRun) {
  devices->AddVideo("cam0");
  devices->AddVideo("cam1");
  engine->EnumerateCaptureDevices();
  engine->SelectDevicesByIndex(0, 0);
  EXPECT_EQ(factory.Created(CLSID_FilterGraph), 0);

  engine->previewStarted = 1;
  ASSERT_TRUE(engine->HandleDeviceCommand(17));  // video slot 1
  EXPECT_EQ(IdOf(engine->videoDevices.current), "cam1");
  EXPECT_EQ(factory.Created(CLSID_FilterGraph), 1);
  EXPECT_TRUE(engine->graph);
  EXPECT_EQ(LabelOf(engine->videoCapture.Get()), "cam1");
  EXPECT_FALSE(engine->HandleDeviceCommand(36));
  EXPECT_FALSE(engine->HandleDeviceCommand(15));
}

TEST_F(CaptureDevices, IndexesOutsideTheDeviceCountAreClampedToZero) {
  devices->AddVideo("cam0");
  devices->AddVideo("cam1");
  engine->EnumerateCaptureDevices();
  host.settings.VDeviceIndex = 5;
  host.settings.ADeviceIndex = -1;
  engine->ClampDeviceIndexes();
  EXPECT_EQ(host.settings.VDeviceIndex, 0);
  EXPECT_EQ(host.settings.ADeviceIndex, 0);
  host.settings.VDeviceIndex = 1;
  engine->ClampDeviceIndexes();
  EXPECT_EQ(host.settings.VDeviceIndex, 1);
}

TEST_F(CaptureDevices, FindCaptureFilterBindsTheCurrentDeviceOnly) {
  devices->AddVideo("cam0");
  devices->AddVideo("cam1");
  engine->EnumerateCaptureDevices();
  EXPECT_FALSE(engine->FindCaptureFilter(DeviceKind::Video));  // nothing current yet
  engine->SelectDevicesByIndex(1, 0);
  TakeCalls();
  ComPtr<IBaseFilter> filter = engine->FindCaptureFilter(DeviceKind::Video);
  EXPECT_EQ(LabelOf(filter.Get()), "cam1");
  EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"BindToObject cam1"}));
  EXPECT_FALSE(engine->FindCaptureFilter(DeviceKind::Audio));
}
