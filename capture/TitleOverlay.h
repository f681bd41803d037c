// Configuration of the title overlay filter, which burns a line of text into the video.
#pragma once
#include "app/Settings.h"
#include "overlay/TitleOverlayConfig.h"

#include <dshow.h>
#include <string>

struct TitleColour {
  BYTE red, green, blue;
};

// Start position of the title for an OverlayPos name in a picture of the given size.
POINT TitleStartPosition(const std::string& position, int width, int height);
// Colour of the title for an OverlayFontColor name; white for unknown names.
TitleColour TitleColourNamed(const std::string& name);

// Passes type, text, position, font size and colour to the filter, in that order, stopping
// at the first refusal with its message; true when every step was accepted.
// `picture` is the size of the frames the title is drawn into.
bool ConfigureTitleOverlay(IBaseFilter* overlay, const Settings& settings, SIZE picture);
