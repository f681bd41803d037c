// The About box (dialog 100): the maker, two notice lines, a web link and an e-mail link.
#pragma once
#include "controls/LinkLabel.h"
#include "controls/SkinButton.h"
#include "framework/Dialog.h"

class AboutDialog : public Dialog {
public:
  explicit AboutDialog(HWND parent);

  CSkinButton okButton;
  CLinkLabel webLink;
  CLinkLabel mailLink;

protected:
  BOOL OnInitDialog() override;
};
