// The microphone recorder: wave-in buffers circulate between the device and the host's window,
// which hands each filled one to MMWIMDATA; their bytes go into the temporary WAV file.
#pragma once
#include "recorder/FinishRecording.h"
#include "recorder/audio/SoundFile.h"

#include <windows.h>
#include <mmsystem.h>

constexpr int kFramesPerBuffer = 1000;
constexpr int kQueuedBuffers = 3;

extern "C" LRESULT __stdcall MMWIMDATA(WPARAM waveIn, LPARAM header);

// PCM 22050 Hz, 2 channels, 16 bits: the microphone's capture format.
const WAVEFORMATEX& MicrophoneFormat();
// A PCM format with its block alignment and byte rate worked out.
WAVEFORMATEX PcmFormat(int bits, int channels, int samplesPerSec);
// The interleave parameters of the merge.
InterleaveSettings CurrentInterleave();

void PrepareMicrophoneFormat();
void BeginMicrophoneRecording();
// 1 when the device was opened and started, 0 otherwise.
int WaveInStartCapture(const WAVEFORMATEX& format);
// Queues one more buffer; returns the number queued before it.
int WaveInQueueBuffer();
MMRESULT WaveInStopCapture();
// Finishes and deletes the WAV writer; safe against MMWIMDATA on the host's thread.
void CloseSoundFile();

// Wave-in buffers made and not yet freed, over all recordings.
int OutstandingBuffers();
CSoundFile* CurrentSoundFile();
HWAVEIN CurrentWaveIn();

// Back to the state at load (tests only).
void ResetWaveInState();
