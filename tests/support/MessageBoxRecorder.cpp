#include "tests/support/MessageBoxRecorder.h"

MessageBoxRecorder::MessageBoxRecorder(int answer) : answer_(answer) {
  previous_ = SetMessageBoxHandler(
      [this](HWND owner, const std::string& text, const std::string& caption, UINT type) {
        boxes_.push_back({owner, text, caption, type});
        return answer_;
      });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler(std::move(previous_)); }

std::vector<std::string> MessageBoxRecorder::Texts() const {
  std::vector<std::string> texts;
  for (const RecordedBox& box : boxes_) texts.push_back(box.text);
  return texts;
}
