// The sound card's mixer: the selector control of the wave-in destination line, whose items are
// the recording sources.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <string>
#include <vector>

constexpr unsigned NoSourceChosen = 100000;

struct SourceSelector {
  DWORD controlType = 0;
  DWORD controlId = 0;
  DWORD itemCount = 0;
};

struct MixerState {
  HMIXER handle = nullptr;
  SourceSelector selector;
  unsigned chosenItem = NoSourceChosen;
  int CachedSourceIndex = -1;
  // The selector's values before the library first changed them, written back at exit.
  bool savedSelectionHeld = false;
  DWORD savedControlId = 0;
  std::vector<DWORD> savedSelection;
};

MixerState& Mixer();
// Back to the state at load (tests only).
void ResetMixerState();

bool OpenMixer();
bool CloseMixer();
bool SelectRecordingSource(DWORD componentType, const std::string& name);
bool ListRecordingSources(DWORD componentType, const std::string& name);
void MatchRecordingSource(const std::vector<MIXERCONTROLDETAILS_LISTTEXTA>& items,
                          DWORD componentType, const std::string& name);
bool EnsureSourceVolume(DWORD lineId);
bool SetSourceItem(DWORD value, unsigned index, bool exclusive);
bool SetSourceItems(const DWORD* values);
void RestoreRecordingSource();

// Finds the wave-in destination line and its selector control (MIXER, else MUX).
bool FindSourceSelector();
