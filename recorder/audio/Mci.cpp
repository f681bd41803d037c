#include "recorder/audio/Mci.h"

#include "recorder/RecorderState.h"
#include "recorder/audio/AudioApi.h"
#include "recorder/audio/WaveIn.h"

namespace {
constexpr DWORD kRecordThreadSettleMs = 500;
MCI_OPEN_PARMSA device = {};
WAVEFORMATEX mciFormat = {};

MCIERROR Send(UINT command, DWORD_PTR flags, void* parameters) {
  return Audio().mciSendCommandA(device.wDeviceID, command, flags,
                                 reinterpret_cast<DWORD_PTR>(parameters));
}
}  // namespace

MCIDEVICEID MciDevice() { return device.wDeviceID; }

void MciOpenWave() {
  device = {};
  device.dwCallback = reinterpret_cast<DWORD_PTR>(Recorder().callbackWindow);
  device.lpstrDeviceType = reinterpret_cast<LPCSTR>(MCI_DEVTYPE_WAVEFORM_AUDIO);
  device.lpstrElementName = "";
  Audio().mciSendCommandA(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID,
                          reinterpret_cast<DWORD_PTR>(&device));
}

int MciSetWaveFormat() {
  int row = 0;
  for (const MciFormatRow& candidate : MciFormatCandidates) {
    mciFormat = PcmFormat(candidate.bits, candidate.channels, candidate.samplesPerSec);
    MCI_WAVE_SET_PARMS set = {};
    set.wFormatTag = mciFormat.wFormatTag;
    set.nChannels = mciFormat.nChannels;
    set.nSamplesPerSec = mciFormat.nSamplesPerSec;
    set.nAvgBytesPerSec = mciFormat.nAvgBytesPerSec;
    set.nBlockAlign = mciFormat.nBlockAlign;
    set.wBitsPerSample = mciFormat.wBitsPerSample;
    DWORD flags = MCI_WAIT | MCI_WAVE_SET_FORMATTAG | MCI_WAVE_SET_CHANNELS |
                  MCI_WAVE_SET_SAMPLESPERSEC | MCI_WAVE_SET_AVGBYTESPERSEC |
                  MCI_WAVE_SET_BLOCKALIGN | MCI_WAVE_SET_BITSPERSAMPLE;
    if (Send(MCI_SET, flags, &set) == 0) return row;
    ++row;
  }
  return -1;
}

void MciStartRecord() {
  // No flags, so nothing in the block is read; Wine's waveaudio driver refuses a null block
  // (MCIERR_NULL_PARAMETER_BLOCK, seen with WINEDEBUG=+mci) where Windows accepts one.
  MCI_RECORD_PARMS record = {};
  Send(MCI_RECORD, 0, &record);
}

void MciPause(bool pause) {
  if (device.wDeviceID == 0) return;
  MCI_GENERIC_PARMS parameters = {};
  Send(pause ? MCI_PAUSE : MCI_RESUME, MCI_WAIT, &parameters);
}

void MciStopAndSave(const std::string& path) {
  // A run whose set-up failed opened no device; the id an earlier run left behind may name
  // another program's device by now.
  if (device.wDeviceID == 0) return;
  MCI_GENERIC_PARMS stop = {};
  Send(MCI_STOP, MCI_WAIT, &stop);
  // Let the device's own recording thread end before the file is saved and the device closed.
  // Wine's waveaudio driver answers a waited stop while that thread is still closing its wave-in
  // device; closing the driver under it corrupts the heap or runs unloaded code (seen with
  // WINEDEBUG=+mciwave,+seh). The thread needs a few milliseconds; Windows does not need the wait.
  Sleep(kRecordThreadSettleMs);
  MCI_SAVE_PARMSA save = {};
  save.dwCallback = reinterpret_cast<DWORD_PTR>(Recorder().callbackWindow);
  save.lpfilename = path.c_str();
  Send(MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT, &save);
}

void MciClose() {
  if (device.wDeviceID == 0) return;
  MCI_GENERIC_PARMS close = {};
  Send(MCI_CLOSE, 0, &close);
  device.wDeviceID = 0;
}
