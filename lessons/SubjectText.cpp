#include "lessons/SubjectText.h"

#include "framework/Text.h"

// The patterns begin with '<', '&', CR or a space, none of which is ever the trail byte of a
// double-byte character, so a byte-wise search cannot match inside a Chinese character.
std::string FromHtmlText(const std::string& fileText) {
  return ReplaceAll(ReplaceAll(fileText, "<br>", "\r\n"), "&nbsp;", " ");
}

std::string ToHtmlText(const std::string& shownText) {
  return ReplaceAll(ReplaceAll(shownText, "\r\n", "<br>"), " ", "&nbsp;");
}
