#include "recorder/audio/AudioApi.h"

AudioApi SystemAudioApi() {
  return {::waveInGetNumDevs,       ::waveOutGetNumDevs,     ::waveInOpen,
          ::waveInPrepareHeader,    ::waveInUnprepareHeader, ::waveInAddBuffer,
          ::waveInStart,            ::waveInStop,            ::waveInReset,
          ::waveInClose,            ::mciSendCommandA,       ::mixerGetNumDevs,
          ::mixerOpen,              ::mixerGetDevCapsA,      ::mixerGetLineInfoA,
          ::mixerGetLineControlsA,  ::mixerGetControlDetailsA, ::mixerSetControlDetails,
          ::mixerClose,             ::sndPlaySoundA};
}

AudioApi& Audio() {
  static AudioApi api = SystemAudioApi();
  return api;
}
