#include "recorder/audio/RecordingLine.h"

#include "recorder/RecorderState.h"
#include "recorder/audio/AudioApi.h"
#include "recorder/audio/Mixer.h"
#include "recorder/audio/WaveIn.h"

void PrepareMicrophoneAudio() {
  if (Audio().waveInGetNumDevs() == 0) return;
  Recorder().audioMode = AudioMicrophone;
  SelectRecordingSource(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "");
  PrepareMicrophoneFormat();
}

void PrepareSystemSoundAudio() {
  if (Audio().waveOutGetNumDevs() == 0) return;
  Recorder().audioMode = AudioSystemSound;
  SelectRecordingSource(MIXERLINE_COMPONENTTYPE_SRC_ANALOG, "Stereo Mix");
}

void ReleaseAudioSide() {
  CloseSoundFile();
  RestoreRecordingSource();
  CloseMixer();
}
