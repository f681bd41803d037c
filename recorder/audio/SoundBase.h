// The PCM format shared by the WAV writer and reader.
#pragma once
#include <windows.h>
#include <mmsystem.h>

class CSoundBase {
public:
  // PCM mono 22050 Hz 16-bit, 1000 sample frames per buffer.
  CSoundBase();
  virtual ~CSoundBase() = default;

  int GetBitsPerSample() const { return format.wBitsPerSample; }
  void SetBitsPerSample(int bits);
  void SetSamplesPerSec(int rate);
  void SetChannels(int channels);

  WAVEFORMATEX format = {};
  int framesPerBuffer = 1000;

private:
  void UpdateRates();
};
