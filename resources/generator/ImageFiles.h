// Writers of the two Windows picture formats the resource compiler takes.
#pragma once
#include "Canvas.h"

#include <string>
#include <vector>

// A 24-bit bottom-up BMP of the canvas.
bool WriteBmp(const Canvas& canvas, const std::string& path);
// An icon file with one 32-bit image (alpha from the canvas's coverage) per canvas.
bool WriteIco(const std::vector<const Canvas*>& images, const std::string& path);
