// Replaces the message box seam for a test: records every box and answers with a chosen button.
#pragma once
#include "framework/MessageBox.h"

#include <string>
#include <vector>

struct RecordedBox {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};

class MessageBoxRecorder {
public:
  explicit MessageBoxRecorder(int answer = IDOK);
  ~MessageBoxRecorder();
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  void SetAnswer(int answer) { answer_ = answer; }
  const std::vector<RecordedBox>& Boxes() const { return boxes_; }
  std::vector<std::string> Texts() const;
  void Clear() { boxes_.clear(); }

private:
  int answer_;
  std::vector<RecordedBox> boxes_;
  MessageBoxHandler previous_;
};
