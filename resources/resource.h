// Resource and control ids of Lumora's dialogs, bitmaps, icons and accelerators.
#pragma once

#define IDD_MAIN 102
