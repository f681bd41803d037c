// The system-sound recorder: the MCI waveform-audio device records into a new, untitled
// waveform and saves it as a WAV file when it stops.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <string>

struct MciFormatRow {
  int samplesPerSec;
  int channels;
  int bits;
};

// The formats tried in order until the device accepts one.
constexpr MciFormatRow MciFormatCandidates[] = {
    {44100, 2, 16}, {22050, 2, 16}, {44100, 2, 8}, {22050, 2, 8}, {44100, 1, 16},
    {44100, 1, 8},  {22050, 1, 16}, {11025, 2, 16}, {22050, 1, 8}, {11025, 2, 8}};

void MciOpenWave();
// The row the device accepted, or -1 when it kept its own format.
int MciSetWaveFormat();
void MciStartRecord();
// Pauses the recording device (true) or lets it record on (false), so that the saved sound
// leaves a paused recording's paused time out as its pictures do.
void MciPause(bool pause);
void MciStopAndSave(const std::string& path);
void MciClose();

MCIDEVICEID MciDevice();
