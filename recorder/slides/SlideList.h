// The course page's list of a lesson's slides: "slides.js" in the lesson's html folder sets
// LESSON_SLIDES to the slides in time order, each with its second on the screen recording's time
// axis (two decimals), its picture under "slides/" and whether the teacher marked it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct SlideEntry {
  uint32_t position = 0;  // on the screen recording's axis, 200 a second
  uint32_t number = 0;    // the picture's number: slides/001.png is 1
  bool mark = false;
};

// "001.png", ..., "999.png", "1000.png".
std::string SlidePictureName(uint32_t number);
// "<htmlDir>\slides\<name>".
std::string SlidePicturePath(const std::string& htmlDir, uint32_t number);
std::string SlidesFolder(const std::string& htmlDir);
std::string SlidesScriptPath(const std::string& htmlDir);

// The script for the entries, sorted by time (entries of the same time keep their order).
std::string SlidesScriptText(std::vector<SlideEntry> entries);
// The entries of a script as SlidesScriptText writes it; what does not read as an entry is left out.
std::vector<SlideEntry> ParseSlidesScript(const std::string& script);
// Writes "slides.js" whole into `htmlDir`; true when it is in place.
bool WriteSlidesScript(const std::string& htmlDir, const std::vector<SlideEntry>& entries);
