// The duration record of a lesson: [TimeInfo] time=HH:MM:SS in the lesson's html\time.ini.
#pragma once
#include <string>

// "%02d:%02d:%02d" of hours, minutes and seconds; the hour field grows past two digits, and a
// negative count (the clock set back) is written as formatted, minus signs included.
std::string FormatLessonDuration(long seconds);
// Writes the duration into lessonHtmlDir + "\time.ini"; a write failure is ignored.
void LessonDuration(const std::string& lessonHtmlDir, long seconds);
