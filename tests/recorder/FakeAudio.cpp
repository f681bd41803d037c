#include "tests/recorder/FakeAudio.h"

#include "recorder/audio/SoundFile.h"
#include "recorder/audio/WaveIn.h"

#include <cstring>

namespace {
FakeAudio fake;
constexpr DWORD kDestinationLine = 100, kSelector = 500, kVolumeBase = 600;
HMIXER const kMixer = reinterpret_cast<HMIXER>(0x1234);
HWAVEIN OpenWaveIn() { return reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(0x5670 + fake.waveInOpens)); }

int SelectedLine() {
  for (size_t i = 0; i < fake.selection.size(); ++i)
    if (fake.selection[i]) return static_cast<int>(i);
  return -1;
}

UINT WINAPI WaveInDevs() { return fake.waveInDevices; }
UINT WINAPI WaveOutDevs() { return fake.waveOutDevices; }
MMRESULT WINAPI WaveInOpen(LPHWAVEIN handle, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD) {
  ++fake.waveInOpens;
  *handle = OpenWaveIn();
  fake.waveInOpen = true;
  return MMSYSERR_NOERROR;
}
MMRESULT Checked(HWAVEIN handle) {
  return handle == OpenWaveIn() && fake.waveInOpen ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}
MMRESULT WINAPI WaveInPrepare(HWAVEIN h, LPWAVEHDR header, UINT) {
  if (Checked(h)) return Checked(h);
  header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI WaveInUnprepare(HWAVEIN h, LPWAVEHDR header, UINT) {
  // As Wine's: a prepared header needs its device, which must still be open.
  if ((header->dwFlags & WHDR_PREPARED) && Checked(h)) return Checked(h);
  header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI WaveInAdd(HWAVEIN h, LPWAVEHDR header, UINT) {
  if (Checked(h)) return Checked(h);
  fake.queued.push_back(header);
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI WaveInStart(HWAVEIN h) { return Checked(h); }
MMRESULT WINAPI WaveInStop(HWAVEIN h) { return Checked(h); }
MMRESULT WINAPI WaveInReset(HWAVEIN h) { return Checked(h); }
MMRESULT WINAPI WaveInClose(HWAVEIN h) {
  MMRESULT result = Checked(h);
  fake.waveInOpen = false;
  return result;
}

// Saves one second of a square wave whose amplitude is the selected line's level.
void SaveRecording(const char* path) {
  ++fake.saves;
  int line = SelectedLine();
  int level = line >= 0 ? fake.lines[static_cast<size_t>(line)].level : 0;
  WAVEFORMATEX format = PcmFormat(16, 1, 22050);
  CSoundFile file(path, &format);
  std::vector<short> samples(22050);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<short>(i % 2 ? level : -level);
  CBuffer buffer(samples.data(), static_cast<int>(samples.size() * 2));
  file.Write(buffer);
}

MCIERROR WINAPI SendCommand(MCIDEVICEID device, UINT command, DWORD_PTR, DWORD_PTR parameters) {
  fake.mciCommands.push_back(std::to_string(device) + " " + std::to_string(command));
  switch (command) {
    case MCI_OPEN:
      reinterpret_cast<MCI_OPEN_PARMSA*>(parameters)->wDeviceID = 7;
      return 0;
    case MCI_SET: {
      auto* set = reinterpret_cast<MCI_WAVE_SET_PARMS*>(parameters);
      fake.formatsTried.push_back(std::to_string(set->nSamplesPerSec) + "/" +
                                  std::to_string(set->nChannels) + "/" +
                                  std::to_string(set->wBitsPerSample));
      bool accepted = false;
      for (DWORD rate : fake.acceptedRates) accepted |= rate == set->nSamplesPerSec;
      accepted &= set->nBlockAlign == set->wBitsPerSample / 8 * set->nChannels;
      return accepted ? 0 : MCIERR_OUTOFRANGE;
    }
    case MCI_SAVE:
      SaveRecording(reinterpret_cast<MCI_SAVE_PARMSA*>(parameters)->lpfilename);
      return 0;
    default:
      return 0;
  }
}

UINT WINAPI MixerDevs() { return 1; }
MMRESULT WINAPI MixerOpen(LPHMIXER handle, UINT, DWORD_PTR, DWORD_PTR, DWORD) {
  ++fake.mixerOpens;
  *handle = kMixer;
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI MixerCaps(UINT_PTR, LPMIXERCAPSA, UINT) { return MMSYSERR_NOERROR; }
MMRESULT WINAPI MixerLineInfo(HMIXEROBJ, LPMIXERLINEA line, DWORD flags) {
  if ((flags & 0xF) == MIXER_GETLINEINFOF_COMPONENTTYPE) {
    if (line->dwComponentType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN) return MIXERR_INVALLINE;
    line->dwLineID = kDestinationLine;
    return MMSYSERR_NOERROR;
  }
  ++fake.lineInfoByIdCalls;
  DWORD index = line->dwLineID - 1;
  if (index >= fake.lines.size()) return MIXERR_INVALLINE;
  line->dwComponentType = fake.lines[index].componentType;
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI MixerLineControls(HMIXEROBJ, LPMIXERLINECONTROLSA controls, DWORD) {
  MIXERCONTROLA* control = controls->pamxctrl;
  if (controls->dwLineID == kDestinationLine) {
    if (controls->dwControlType != fake.selectorType || fake.selectorType == 0) return MIXERR_INVALCONTROL;
    control->dwControlID = kSelector;
    control->cMultipleItems = static_cast<DWORD>(fake.lines.size());
    return MMSYSERR_NOERROR;
  }
  DWORD index = controls->dwLineID - 1;
  if (controls->dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME || index >= fake.lines.size() ||
      !fake.lines[index].hasVolume)
    return MIXERR_INVALCONTROL;
  control->dwControlID = kVolumeBase + index;
  control->Bounds.dwMinimum = fake.lines[index].volumeMin;
  control->Bounds.dwMaximum = fake.lines[index].volumeMax;
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI MixerGetDetails(HMIXEROBJ, LPMIXERCONTROLDETAILS details, DWORD flags) {
  if (details->dwControlID == kSelector) {
    if ((flags & 0xF) == MIXER_GETCONTROLDETAILSF_LISTTEXT) {
      auto* items = static_cast<MIXERCONTROLDETAILS_LISTTEXTA*>(details->paDetails);
      for (size_t i = 0; i < fake.lines.size(); ++i) {
        items[i] = {};
        items[i].dwParam1 = static_cast<DWORD>(i + 1);
        strncpy(items[i].szName, fake.lines[i].name.c_str(), MIXER_LONG_NAME_CHARS - 1);
      }
    } else {
      memcpy(details->paDetails, fake.selection.data(), fake.selection.size() * sizeof(DWORD));
    }
    return MMSYSERR_NOERROR;
  }
  DWORD index = details->dwControlID - kVolumeBase;
  if (index >= fake.lines.size()) return MIXERR_INVALCONTROL;
  static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue = fake.lines[index].volume;
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI MixerSetDetails(HMIXEROBJ, LPMIXERCONTROLDETAILS details, DWORD) {
  if (details->dwControlID == kSelector) {
    auto* values = static_cast<DWORD*>(details->paDetails);
    fake.selection.assign(values, values + fake.lines.size());
    return MMSYSERR_NOERROR;
  }
  DWORD index = details->dwControlID - kVolumeBase;
  if (index >= fake.lines.size()) return MIXERR_INVALCONTROL;
  fake.lines[index].volume = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue;
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI MixerClose(HMIXER) {
  ++fake.mixerCloses;
  return MMSYSERR_NOERROR;
}
BOOL WINAPI PlaySoundFile(LPCSTR, UINT) { return TRUE; }
}  // namespace

FakeAudioGuard::FakeAudioGuard() : audio(fake) {
  fake = FakeAudio();
  Audio() = {WaveInDevs,      WaveOutDevs,    WaveInOpen,        WaveInPrepare, WaveInUnprepare,
             WaveInAdd,       WaveInStart,    WaveInStop,        WaveInReset,   WaveInClose,
             SendCommand,     MixerDevs,      MixerOpen,         MixerCaps,     MixerLineInfo,
             MixerLineControls, MixerGetDetails, MixerSetDetails, MixerClose,   PlaySoundFile};
}

FakeAudioGuard::~FakeAudioGuard() { Audio() = SystemAudioApi(); }
