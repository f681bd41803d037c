#include "recorder/audio/SoundBase.h"

CSoundBase::CSoundBase() {
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.cbSize = 0;
  SetBitsPerSample(16);
  SetSamplesPerSec(22050);
  SetChannels(1);
}

void CSoundBase::SetBitsPerSample(int bits) {
  format.wBitsPerSample = static_cast<WORD>(bits);
  UpdateRates();
}

void CSoundBase::SetSamplesPerSec(int rate) {
  format.nSamplesPerSec = static_cast<DWORD>(rate);
  UpdateRates();
}

void CSoundBase::SetChannels(int channels) {
  format.nChannels = static_cast<WORD>(channels);
  UpdateRates();
}

void CSoundBase::UpdateRates() {
  format.nBlockAlign = static_cast<WORD>(format.wBitsPerSample / 8 * format.nChannels);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
}
