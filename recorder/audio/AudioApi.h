// The wave-in, wave-out, MCI and mixer calls of the sound side, through one table whose
// defaults are the system's functions, so that tests can play devices that are not there.
#pragma once
#include <windows.h>
#include <mmsystem.h>

struct AudioApi {
  UINT (WINAPI* waveInGetNumDevs)();
  UINT (WINAPI* waveOutGetNumDevs)();
  MMRESULT (WINAPI* waveInOpen)(LPHWAVEIN, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD);
  MMRESULT (WINAPI* waveInPrepareHeader)(HWAVEIN, LPWAVEHDR, UINT);
  MMRESULT (WINAPI* waveInUnprepareHeader)(HWAVEIN, LPWAVEHDR, UINT);
  MMRESULT (WINAPI* waveInAddBuffer)(HWAVEIN, LPWAVEHDR, UINT);
  MMRESULT (WINAPI* waveInStart)(HWAVEIN);
  MMRESULT (WINAPI* waveInStop)(HWAVEIN);
  MMRESULT (WINAPI* waveInReset)(HWAVEIN);
  MMRESULT (WINAPI* waveInClose)(HWAVEIN);
  MCIERROR (WINAPI* mciSendCommandA)(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR);
  UINT (WINAPI* mixerGetNumDevs)();
  MMRESULT (WINAPI* mixerOpen)(LPHMIXER, UINT, DWORD_PTR, DWORD_PTR, DWORD);
  MMRESULT (WINAPI* mixerGetDevCapsA)(UINT_PTR, LPMIXERCAPSA, UINT);
  MMRESULT (WINAPI* mixerGetLineInfoA)(HMIXEROBJ, LPMIXERLINEA, DWORD);
  MMRESULT (WINAPI* mixerGetLineControlsA)(HMIXEROBJ, LPMIXERLINECONTROLSA, DWORD);
  MMRESULT (WINAPI* mixerGetControlDetailsA)(HMIXEROBJ, LPMIXERCONTROLDETAILS, DWORD);
  MMRESULT (WINAPI* mixerSetControlDetails)(HMIXEROBJ, LPMIXERCONTROLDETAILS, DWORD);
  MMRESULT (WINAPI* mixerClose)(HMIXER);
  BOOL (WINAPI* sndPlaySoundA)(LPCSTR, UINT);
};

// The table in use.
AudioApi& Audio();
// The system's functions.
AudioApi SystemAudioApi();
