// A subject has two forms: the file form, which a course page can insert as it stands ("<br>"
// for a line break, "&nbsp;" for a space), and the form shown and edited (CR LF and spaces).
#pragma once
#include <string>

// Every "<br>" becomes CR LF, then every "&nbsp;" a space.
std::string FromHtmlText(const std::string& fileText);
// Every CR LF becomes "<br>", then every space "&nbsp;"; a lone CR or LF stays as it is.
std::string ToHtmlText(const std::string& shownText);
