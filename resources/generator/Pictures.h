// The designs of Lumora's button pictures and program icon.
#pragma once
#include "Canvas.h"

enum class Look { Normal, Pressed, Hover };

enum class Glyph { Settings, Package, About, Help, Edit, Ok, Cancel };

// 56 x 20 main-window buttons and 75 x 21 dialog buttons: a face with a small glyph at the left,
// leaving the middle free for the caption the button draws at its top.
Canvas SmallButton(int width, int height, Glyph glyph, Look look);
// 176 x 56 record button: a red dot when ready, a stop square (and a live dot) while recording.
Canvas RecordButton(bool recording, Look look);
// 66 x 59 picture of the settings dialog: a camera with a microphone.
Canvas DevicesPicture(Look look);
// The program icon at the given size (32 or 16 pixels).
Canvas ProgramIcon(int size);
