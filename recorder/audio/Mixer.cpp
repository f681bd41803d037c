#include "recorder/audio/Mixer.h"

#include "recorder/RecorderState.h"
#include "recorder/audio/AudioApi.h"
#include "recorder/audio/SourceLevels.h"

#include <cstring>

namespace {
MixerState mixer;

HMIXEROBJ Object() { return reinterpret_cast<HMIXEROBJ>(mixer.handle); }

MIXERCONTROLDETAILS SelectorDetails(void* values, DWORD itemSize) {
  MIXERCONTROLDETAILS details = {};
  details.cbStruct = sizeof(details);
  details.dwControlID = mixer.selector.controlId;
  details.cChannels = 1;
  details.cMultipleItems = mixer.selector.itemCount;
  details.cbDetails = itemSize;
  details.paDetails = values;
  return details;
}

bool ReadSelection(std::vector<DWORD>& values) {
  values.assign(mixer.selector.itemCount, 0);
  MIXERCONTROLDETAILS details = SelectorDetails(values.data(), sizeof(DWORD));
  return Audio().mixerGetControlDetailsA(Object(), &details,
                                         MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
         MMSYSERR_NOERROR;
}

// The user's own recording source is kept once, before the library first changes it.
void SaveSelectionOnce() {
  if (mixer.savedSelectionHeld) return;
  std::vector<DWORD> values;
  if (!ReadSelection(values)) return;
  mixer.savedSelection = values;
  mixer.savedControlId = mixer.selector.controlId;
  mixer.savedSelectionHeld = true;
}

bool WriteSelection(const DWORD* values) {
  SaveSelectionOnce();
  MIXERCONTROLDETAILS details = SelectorDetails(const_cast<DWORD*>(values), sizeof(DWORD));
  return Audio().mixerSetControlDetails(Object(), &details,
                                        MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
         MMSYSERR_NOERROR;
}

bool FindSelectorOfType(DWORD lineId, DWORD controlType) {
  MIXERCONTROLA control = {};
  control.cbStruct = sizeof(control);
  MIXERLINECONTROLSA controls = {};
  controls.cbStruct = sizeof(controls);
  controls.dwLineID = lineId;
  controls.dwControlType = controlType;
  controls.cControls = 1;
  controls.cbmxctrl = sizeof(control);
  controls.pamxctrl = &control;
  if (Audio().mixerGetLineControlsA(Object(), &controls,
                                    MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
      MMSYSERR_NOERROR)
    return false;
  mixer.selector.controlType = controlType;
  mixer.selector.controlId = control.dwControlID;
  mixer.selector.itemCount = control.cMultipleItems;
  return true;
}

bool LineOf(DWORD lineId, MIXERLINEA& line) {
  line = {};
  line.cbStruct = sizeof(line);
  line.dwLineID = lineId;
  return Audio().mixerGetLineInfoA(Object(), &line,
                                   MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_LINEID) ==
         MMSYSERR_NOERROR;
}
}  // namespace

MixerState& Mixer() { return mixer; }

void ResetMixerState() { mixer = MixerState(); }

bool OpenMixer() {
  UINT devices = Audio().mixerGetNumDevs();
  mixer.handle = nullptr;
  mixer.chosenItem = NoSourceChosen;
  mixer.selector.itemCount = 0;
  if (devices == 0) return true;
  HMIXER opened = nullptr;
  if (Audio().mixerOpen(&opened, 0, reinterpret_cast<DWORD_PTR>(Recorder().callbackWindow), 0,
                        CALLBACK_WINDOW) != MMSYSERR_NOERROR)
    return false;
  mixer.handle = opened;
  MIXERCAPSA caps = {};
  if (Audio().mixerGetDevCapsA(reinterpret_cast<UINT_PTR>(opened), &caps, sizeof(caps)) !=
      MMSYSERR_NOERROR) {
    CloseMixer();
    return false;
  }
  return true;
}

bool CloseMixer() {
  if (!mixer.handle) return true;
  bool closed = Audio().mixerClose(mixer.handle) == MMSYSERR_NOERROR;
  mixer.handle = nullptr;
  return closed;
}

bool FindSourceSelector() {
  if (!mixer.handle) return false;
  MIXERLINEA destination = {};
  destination.cbStruct = sizeof(destination);
  destination.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
  if (Audio().mixerGetLineInfoA(Object(), &destination,
                                MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
      MMSYSERR_NOERROR)
    return false;
  if (!FindSelectorOfType(destination.dwLineID, MIXERCONTROL_CONTROLTYPE_MIXER) &&
      !FindSelectorOfType(destination.dwLineID, MIXERCONTROL_CONTROLTYPE_MUX))
    return false;
  return mixer.selector.itemCount != 0;
}

bool SelectRecordingSource(DWORD componentType, const std::string& name) {
  if (!OpenMixer()) return false;
  if (!ListRecordingSources(componentType, name)) {
    CloseMixer();
    return false;
  }
  std::vector<DWORD> values(mixer.selector.itemCount, 0);
  values[mixer.chosenItem] = 1;
  SetSourceItems(values.data());
  return CloseMixer();
}

bool ListRecordingSources(DWORD componentType, const std::string& name) {
  if (!FindSourceSelector()) return false;
  std::vector<MIXERCONTROLDETAILS_LISTTEXTA> items(mixer.selector.itemCount);
  MIXERCONTROLDETAILS details = SelectorDetails(items.data(), sizeof(MIXERCONTROLDETAILS_LISTTEXTA));
  if (Audio().mixerGetControlDetailsA(Object(), &details,
                                      MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_LISTTEXT) ==
      MMSYSERR_NOERROR)
    MatchRecordingSource(items, componentType, name);
  return mixer.chosenItem < mixer.selector.itemCount;
}

void MatchRecordingSource(const std::vector<MIXERCONTROLDETAILS_LISTTEXTA>& items,
                          DWORD componentType, const std::string& name) {
  if (componentType == MIXERLINE_COMPONENTTYPE_SRC_ANALOG && mixer.CachedSourceIndex >= 0) {
    mixer.chosenItem = static_cast<unsigned>(mixer.CachedSourceIndex);
    return;
  }
  for (unsigned i = 0; i < items.size(); ++i) {
    MIXERLINEA line;
    if (!LineOf(items[i].dwParam1, line)) continue;
    bool qualifies = line.dwComponentType == componentType ||
                     (line.dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT &&
                      componentType == MIXERLINE_COMPONENTTYPE_SRC_ANALOG);
    if (!qualifies) continue;
    if (name.empty()) {
      mixer.chosenItem = i;
      break;
    }
    if (strcmp(items[i].szName, name.c_str()) == 0) {
      mixer.chosenItem = i;
      mixer.CachedSourceIndex = static_cast<int>(i);
      break;
    }
  }
  MeasureSourceLevels(items, componentType);
}

bool EnsureSourceVolume(DWORD lineId) {
  MIXERCONTROLA control = {};
  control.cbStruct = sizeof(control);
  MIXERLINECONTROLSA controls = {};
  controls.cbStruct = sizeof(controls);
  controls.dwLineID = lineId;
  controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
  controls.cControls = 1;
  controls.cbmxctrl = sizeof(control);
  controls.pamxctrl = &control;
  if (Audio().mixerGetLineControlsA(Object(), &controls,
                                    MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
          MMSYSERR_NOERROR ||
      control.dwControlID == 0xFFFFFFFF)
    return false;
  MIXERCONTROLDETAILS_UNSIGNED value = {};
  MIXERCONTROLDETAILS details = {};
  details.cbStruct = sizeof(details);
  details.dwControlID = control.dwControlID;
  details.cChannels = 1;
  details.cbDetails = sizeof(value);
  details.paDetails = &value;
  if (Audio().mixerGetControlDetailsA(Object(), &details,
                                      MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
      MMSYSERR_NOERROR)
    return false;
  float range = static_cast<float>(control.Bounds.dwMaximum) -
                static_cast<float>(control.Bounds.dwMinimum);
  if (range <= 0.00001f) return true;
  if (value.dwValue / range * 100 >= 7) return true;
  value.dwValue = control.Bounds.dwMinimum + static_cast<DWORD>(0.07 * range);
  return Audio().mixerSetControlDetails(Object(), &details,
                                        MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
         MMSYSERR_NOERROR;
}

bool SetSourceItem(DWORD value, unsigned index, bool exclusive) {
  if (!mixer.handle || mixer.selector.itemCount == 0 || index >= mixer.selector.itemCount)
    return false;
  std::vector<DWORD> values;
  if (!ReadSelection(values)) return false;
  if (exclusive || (value != 0 && mixer.selector.controlType == MIXERCONTROL_CONTROLTYPE_MUX))
    values.assign(values.size(), 0);
  values[index] = value;
  return WriteSelection(values.data());
}

bool SetSourceItems(const DWORD* values) {
  if (!mixer.handle || mixer.selector.itemCount == 0 || !values) return false;
  return WriteSelection(values);
}

void RestoreRecordingSource() {
  // Nothing was changed, so nothing is given back, and no sound driver is woken at exit.
  if (!mixer.savedSelectionHeld) return;
  if (Audio().waveInGetNumDevs() == 0 || Audio().waveOutGetNumDevs() == 0 ||
      Audio().mixerGetNumDevs() == 0)
    return;
  if (!OpenMixer() || !mixer.handle) return;
  if (FindSourceSelector() && mixer.savedControlId == mixer.selector.controlId &&
      mixer.savedSelection.size() == mixer.selector.itemCount) {
    MIXERCONTROLDETAILS details = SelectorDetails(mixer.savedSelection.data(), sizeof(DWORD));
    Audio().mixerSetControlDetails(Object(), &details,
                                   MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE);
  }
  CloseMixer();
}
