// The test microphone's switch between its tone and digital silence, as a muted or wrong
// microphone gives: a file "microphone-silent" beside the testbed DLL means silence. Scripts set
// and clear it from outside (scripts/testbed.sh microphone silent|tone), also while a program
// records, so that checks can drive what the microphone hears.
#pragma once

namespace testbed {

// Looked at for every sound buffer, so a switch takes effect within one buffer.
bool MicrophoneSilenced();

}  // namespace testbed
