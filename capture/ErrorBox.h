// The capture engine's and the recording session's message box.
#pragma once
#include <string>

// Shows the text without an owner, captioned "Error!", task-modal and in the foreground.
void ErrorBox(const std::string& text);
