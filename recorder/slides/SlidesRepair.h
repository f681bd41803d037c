// The slides of a recording cut off by a crash: "slides.js" as the recording left it lists every
// picture it began to write, so the repair keeps the entries whose pictures read back whole and
// removes the temporary files that the cut left.
#pragma once
#include <string>

// Rewrites `htmlDir`\slides.js for the pictures that read back; nothing without a list. True when
// the list is right afterwards.
bool RepairSlidesScript(const std::string& htmlDir);
