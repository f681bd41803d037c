#include "recorder/slides/SlideList.h"

#include "framework/Text.h"
#include "framework/WholeFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

std::string SlidePictureName(uint32_t number) { return Format("%03u.png", number); }

std::string SlidesFolder(const std::string& htmlDir) { return htmlDir + "\\slides"; }

std::string SlidePicturePath(const std::string& htmlDir, uint32_t number) {
  return SlidesFolder(htmlDir) + "\\" + SlidePictureName(number);
}

std::string SlidesScriptPath(const std::string& htmlDir) { return htmlDir + "\\slides.js"; }

namespace {
constexpr char kEntryStart[] = "{\"time\": ";
}

std::string SlidesScriptText(std::vector<SlideEntry> entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const SlideEntry& a, const SlideEntry& b) { return a.position < b.position; });
  std::string script = "var LESSON_SLIDES = [";
  for (size_t i = 0; i < entries.size(); ++i) {
    const SlideEntry& entry = entries[i];
    // 200 positions a second: a hundredth is two positions, so the time is exact.
    script += Format("%s\r\n  %s%u.%02u, \"image\": \"slides/%s\", \"mark\": %s}", i ? "," : "", kEntryStart,
                     entry.position / 200, entry.position % 200 / 2, SlidePictureName(entry.number).c_str(),
                     entry.mark ? "true" : "false");
  }
  script += entries.empty() ? "];\r\n" : "\r\n];\r\n";
  return script;
}

std::vector<SlideEntry> ParseSlidesScript(const std::string& script) {
  std::vector<SlideEntry> entries;
  for (size_t at = script.find(kEntryStart); at != std::string::npos; at = script.find(kEntryStart, at + 1)) {
    const size_t end = script.find('}', at);
    if (end == std::string::npos) break;
    const std::string text = script.substr(at, end - at + 1);
    unsigned seconds = 0, hundredths = 0, number = 0;
    char mark[6] = {};
    int used = 0;
    if (std::sscanf(text.c_str(), "{\"time\": %u.%2u, \"image\": \"slides/%u.png\", \"mark\": %5[a-z]}%n", &seconds,
                    &hundredths, &number, mark, &used) != 4 ||
        used == 0 || hundredths > 99 || number == 0 || (std::strcmp(mark, "true") && std::strcmp(mark, "false")))
      continue;
    entries.push_back({seconds * 200 + hundredths * 2, number, std::strcmp(mark, "true") == 0});
  }
  return entries;
}

bool WriteSlidesScript(const std::string& htmlDir, const std::vector<SlideEntry>& entries) {
  return ReplaceFileContents(SlidesScriptPath(htmlDir), SlidesScriptText(entries));
}
