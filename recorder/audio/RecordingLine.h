// The sound source preparations that the start of a recording makes.
#pragma once

// Microphone: when a wave-in device exists, the first microphone line records.
void PrepareMicrophoneAudio();
// System sound: when a wave-out device exists, the "Stereo Mix" line records.
void PrepareSystemSoundAudio();
// At library exit: the user's own recording source back, the mixer closed.
void ReleaseAudioSide();
