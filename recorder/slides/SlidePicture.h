// A slide's picture as a PNG file, made and read through the Windows Imaging Component. The
// screen's 16-bit pixels (5 bits a colour) are widened to 24 bits without changing a colour.
// The calling thread must have COM initialised.
#pragma once
#include "recorder/slides/BlockChanges.h"

#include <cstdint>
#include <string>
#include <vector>

// The PNG file's bytes for a bottom-up 16-bit picture; empty when the encoder failed.
std::string EncodeSlidePng(const uint8_t* pixels, const PictureShape& shape);
// Writes the picture whole to `path`; true when it is in place.
bool WriteSlidePicture(const std::string& path, const uint8_t* pixels, const PictureShape& shape);
// Whether the file decodes as a whole picture.
bool SlidePictureReadable(const std::string& path);
