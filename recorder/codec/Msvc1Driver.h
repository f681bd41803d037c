// The MS Video 1 compressor as a Video for Windows driver ('vidc', 'MSVC'), for machines whose
// system has no MS Video 1 compressor for 16-bit frames (Wine's msvidc32 only decompresses).
#pragma once
#include <windows.h>

// The driver procedure: the DRV_ and ICM_ messages that MSVFW32 and AVIFIL32 send to a compressor.
LRESULT CALLBACK Msvc1DriverProc(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM param1,
                                 LPARAM param2);

// Makes sure that this process has an 'MSVC' compressor that accepts 16-bit RGB555 bottom-up
// frames of the primary screen's size: when the system has none, installs ours for this process
// (ICInstall with ICINSTALL_FUNCTION). True when such a compressor exists afterwards.
bool EnsureMsvc1Compressor();
// The same for frames of the given size.
bool EnsureMsvc1Compressor(int width, int height);
// Removes our compressor again if EnsureMsvc1Compressor installed it (before the module that
// holds the driver procedure is unloaded).
void RemoveMsvc1Compressor();
// Wall-clock seconds that this process's compressors have spent compressing frames so far.
double Msvc1CompressSeconds();
