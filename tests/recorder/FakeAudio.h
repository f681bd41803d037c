// A sound card for the tests, played through the audio seam: a mixer with chosen source lines,
// levels and volume controls, an MCI waveform device that saves what the selected line "hears",
// and a wave-in device whose queued buffers the test hands back itself.
#pragma once
#include "recorder/audio/AudioApi.h"

#include <string>
#include <vector>

struct FakeLine {
  DWORD componentType;
  std::string name;
  int level;          // loudness that the level test records from this line
  bool hasVolume = false;
  DWORD volumeMin = 0, volumeMax = 65535, volume = 0;
};

struct FakeAudio {
  std::vector<FakeLine> lines;
  DWORD selectorType = MIXERCONTROL_CONTROLTYPE_MIXER;
  std::vector<DWORD> selection;
  int mixerOpens = 0, mixerCloses = 0, lineInfoByIdCalls = 0;
  // MCI: the formats the device accepts, and the rates it was asked for.
  std::vector<DWORD> acceptedRates = {44100};
  std::vector<std::string> formatsTried;
  int saves = 0;
  // Every MCI command as "<device id> <command>".
  std::vector<std::string> mciCommands;
  // Wave-in: the buffers in the device's queue.
  std::vector<WAVEHDR*> queued;
  bool waveInOpen = false;
  int waveInOpens = 0;  // each open hands out a handle of its own
  UINT waveInDevices = 1, waveOutDevices = 1;
};

// Installs the fake for the lifetime of the guard; the system's functions come back after.
class FakeAudioGuard {
public:
  FakeAudioGuard();
  ~FakeAudioGuard();
  FakeAudioGuard(const FakeAudioGuard&) = delete;
  FakeAudioGuard& operator=(const FakeAudioGuard&) = delete;
  FakeAudio& audio;
};
