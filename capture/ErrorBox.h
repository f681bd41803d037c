// The capture engine's and the recording session's message box.
#pragma once
#include <string>

// Shows the text without an owner, captioned "Error!", task-modal and in the foreground.
void ErrorBox(const std::string& text);
// The capture engine's application message box (owned by the main window, the program's caption).
void CaptureAppBox(const std::string& text);

// While one lives on the window's thread, ErrorBox and CaptureAppBox show nothing: a recording
// that goes on in a part of its own after a device came or went tells the teacher through the
// recording status, and no box may stand in front of the slides of a lecture being recorded.
class ErrorBoxesHeldBack {
public:
  ErrorBoxesHeldBack() { ++depth_; }
  ~ErrorBoxesHeldBack() { --depth_; }
  ErrorBoxesHeldBack(const ErrorBoxesHeldBack&) = delete;
  ErrorBoxesHeldBack& operator=(const ErrorBoxesHeldBack&) = delete;
  static bool Active() { return depth_ > 0; }

private:
  static int depth_;
};
