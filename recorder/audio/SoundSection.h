// A section of a capture run's sound as a WAV file of its own: the sound of one part of a
// recording whose picture rolled over into several parts.
#pragma once
#include <cstdint>
#include <string>

// Writes the samples of the WAV file `from` between two stream positions of its run (200 per
// second; an end of ~0u takes the rest) as the WAV file `to`, in the same format. False when
// `from` is no PCM WAV file or `to` could not be written (it is then removed).
bool WriteSoundSection(const std::string& from, const std::string& to, uint32_t start, uint32_t end);
