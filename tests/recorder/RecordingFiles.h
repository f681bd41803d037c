// Small real recordings for the tests: an MS Video 1 AVI of a screen corner and a PCM tone.
#pragma once
#include <windows.h>
#include <string>

// Records `frames` frames of the screen's top-left 64 x 48 pixels into `path`; true on success.
bool WriteSmallScreenAvi(const std::string& path, int frames);
// A 16-bit stereo 22050 Hz WAV of `milliseconds` of a square tone.
bool WriteToneWav(const std::string& path, int milliseconds);
// The stream types of an AVI file in order ('vids', 'auds'), read back through AVIFIL32.
std::string StreamTypes(const std::string& path);
