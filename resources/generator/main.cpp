// Writes Lumora's button bitmaps and program icon into the folder given as the argument,
// under the file names that the resource script refers to.
#include "ImageFiles.h"
#include "Pictures.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s output-folder\n", argv[0]);
    return 2;
  }
  std::string folder = argv[1];
  bool ok = true;
  auto bmp = [&](const Canvas& canvas, const char* name) { ok = WriteBmp(canvas, folder + "/" + name) && ok; };

  struct SmallSet { Glyph glyph; const char* name; int width, height; };
  const SmallSet sets[] = {
      {Glyph::Settings, "settings", 56, 20}, {Glyph::Package, "package", 56, 20},
      {Glyph::About, "about", 56, 20},       {Glyph::Help, "help", 56, 20},
      {Glyph::Edit, "edit", 56, 20},         {Glyph::Ok, "ok", 75, 21},
      {Glyph::Cancel, "cancel", 75, 21},
  };
  for (const SmallSet& set : sets) {
    std::string base = set.name;
    bmp(SmallButton(set.width, set.height, set.glyph, Look::Normal), (base + "_normal.bmp").c_str());
    bmp(SmallButton(set.width, set.height, set.glyph, Look::Pressed), (base + "_pressed.bmp").c_str());
    bmp(SmallButton(set.width, set.height, set.glyph, Look::Hover), (base + "_hover.bmp").c_str());
  }
  bmp(RecordButton(false, Look::Normal), "record_normal.bmp");
  bmp(RecordButton(false, Look::Pressed), "record_pressed.bmp");
  bmp(RecordButton(true, Look::Normal), "stop_normal.bmp");
  bmp(RecordButton(true, Look::Pressed), "stop_pressed.bmp");
  bmp(DevicesPicture(Look::Normal), "devices_normal.bmp");
  bmp(DevicesPicture(Look::Pressed), "devices_pressed.bmp");

  Canvas large = ProgramIcon(32), small = ProgramIcon(16);
  ok = WriteIco({&large, &small}, folder + "/lumora.ico") && ok;
  if (!ok) std::fprintf(stderr, "could not write the pictures into %s\n", folder.c_str());
  return ok ? 0 : 1;
}
