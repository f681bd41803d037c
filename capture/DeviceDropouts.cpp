// A camera or microphone that drops out during a recording, and comes back: the part of the
// camera file that was running is closed whole, the recording goes on without the device in the
// next part (a sound-only or picture-only Windows Media file) and with it again in the part after.
// Nothing here ends or pauses the recording, touches the screen recording, or shows a box.
#include "capture/CaptureEngine.h"

#include "capture/CaptureGuids.h"
#include "capture/CaptureMessages.h"
#include "capture/ErrorBox.h"
#include "capture/PartProfile.h"
#include "dshow/ConfigAsfWriter.h"
#include "recorder/recovery/RecordingParts.h"

#include <algorithm>

void CaptureEngine::BeginRecordingParts(const std::string& firstVideoPath) {
  firstVideoPath_ = firstVideoPath;
  videoPart_ = 1;
  recordingPaused_ = false;
  removedPaths_.clear();
  recordingVideo_ = {ReadDeviceIdentity(videoDevices.current.Get()), false};
  recordingAudio_ = {ReadDeviceIdentity(audioDevices.current.Get()), false};
}

bool CaptureEngine::DeviceAway(DeviceKind kind) const { return capturing && Recording(kind).away; }

bool CaptureEngine::ConfigureWriterWithout(DeviceKind missing) {
  ComPtr<IConfigAsfWriter> config;
  ComPtr<IWMProfile> current, partial;
  const GUID& streamType = missing == DeviceKind::Video ? WMMEDIATYPE_VideoType : WMMEDIATYPE_AudioType;
  return SUCCEEDED(asfWriter.As(config)) && config && SUCCEEDED(config->GetCurrentProfile(current.Out())) &&
         current &&
         SUCCEEDED(ProfileWithout(screenWriter.ProfileManager(), current.Get(), streamType, partial.Out())) &&
         SUCCEEDED(config->ConfigureFilterUsingProfile(partial.Get()));
}

bool CaptureEngine::RecordNextPart() {
  // The teacher learns of the change through the recording status, never from a box.
  ErrorBoxesHeldBack quiet;
  // Stopping the graph lets the writer finish the running part as a whole file.
  TearDownGraph();
  if (!Records(DeviceKind::Video) && !Records(DeviceKind::Audio)) return false;
  std::string path = RecordingPartPath(firstVideoPath_, videoPart_ + 1);
  if (BuildRecordingGraph() && ConnectRecordingGraph(path) && StartRecordingGraph()) {
    ++videoPart_;
    // A part begun during a pause waits paused for the resume, the microphone metered meanwhile.
    if (recordingPaused_) {
      PauseRecordingGraph();
      ListenWhilePaused();
    }
    return true;
  }
  // A part that could not start holds nothing: it goes, and the next try takes its number.
  TearDownGraph();
  DeleteFileA(path.c_str());
  return false;
}

void CaptureEngine::LoseRecordingDevice(DeviceKind kind) {
  RecordingDevice& device = Recording(kind);
  if (!capturing || device.away) return;
  device.away = true;
  RecordNextPart();
  host_.RecordingDeviceLost(kind);
}

void CaptureEngine::CheckRecordingDevices() {
  std::vector<std::string> removed;
  removed.swap(removedPaths_);
  if (!capturing) return;
  ErrorBoxesHeldBack quiet;
  EnumerateCaptureDevices();
  std::vector<DeviceKind> lost, back;
  for (DeviceKind kind : {DeviceKind::Video, DeviceKind::Audio}) {
    RecordingDevice& device = Recording(kind);
    DeviceSlots& slots = Devices(kind);
    if (device.away) {
      for (const ComPtr<IMoniker>& slot : slots.slots) {
        if (slot && SameDevice(device.identity, slot.Get())) {
          slots.current = slot;
          device.identity.moniker = slot;
          device.away = false;
          back.push_back(kind);
          break;
        }
      }
      continue;
    }
    // A removal that names the device, or a device that its category no longer lists, is gone.
    bool named = std::any_of(removed.begin(), removed.end(), [&](const std::string& path) {
      return SameDevicePath(device.identity.path, path);
    });
    if (device.identity.moniker && (named || !slots.Contains(slots.current.Get()))) {
      device.away = true;
      lost.push_back(kind);
    }
  }
  if (lost.empty() && back.empty()) return;
  RecordNextPart();
  for (DeviceKind kind : lost) host_.RecordingDeviceLost(kind);
  for (DeviceKind kind : back) host_.RecordingDeviceReturned(kind);
}
