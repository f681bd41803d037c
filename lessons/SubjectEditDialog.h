// The subject editor (dialog 147, "编辑"): a multi-line edit in which Enter starts a new line;
// OK stores the text in the subject file, Cancel leaves the file alone, Escape does nothing.
#pragma once
#include "controls/SkinButton.h"
#include "framework/Dialog.h"

#include <string>

class SubjectEditDialog : public Dialog {
public:
  SubjectEditDialog(std::string subjectPath, HWND parent);

  BOOL PreTranslateMessage(MSG* msg) override;

  std::string subjectPath;
  // The text in the edit control (as shown), taken when OK is pressed.
  std::string editedText;

protected:
  BOOL OnInitDialog() override;
  void OnOK() override;

private:
  CSkinButton okButton_;
  CSkinButton cancelButton_;
};
