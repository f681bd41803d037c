#include "Pictures.h"

#include <cmath>

namespace {
// The dialog background the pictures sit on (COLOR_BTNFACE of current Windows).
const Colour kBackdrop = Rgb(240, 240, 240);

struct FacePalette {
  Colour top, bottom, border, highlight;
};

FacePalette Palette(Look look) {
  switch (look) {
    case Look::Hover: return {Rgb(246, 251, 255), Rgb(196, 222, 248), Rgb(61, 123, 196), Rgb(255, 255, 255)};
    case Look::Pressed: return {Rgb(140, 178, 226), Rgb(204, 222, 246), Rgb(30, 76, 136), Rgb(120, 160, 212)};
    case Look::Normal:
    default: return {Rgb(255, 255, 255), Rgb(216, 223, 233), Rgb(138, 151, 168), Rgb(255, 255, 255)};
  }
}

FacePalette RecordingPalette(Look look) {
  if (look == Look::Normal) return {Rgb(255, 247, 247), Rgb(242, 206, 206), Rgb(178, 58, 58), Rgb(255, 255, 255)};
  return {Rgb(236, 182, 182), Rgb(250, 224, 224), Rgb(140, 28, 28), Rgb(226, 160, 160)};
}

// A rounded face with a soft drop shadow (none while pressed: the face sits "down").
void DrawFace(Canvas& canvas, double bottom, double radius, const FacePalette& palette, Look look) {
  double right = canvas.Width() - 0.5;
  if (look != Look::Pressed) {
    canvas.Fill(RoundedRect(1.0, 1.5, right + 0.5, bottom + 1.5, radius), Rgb(0, 0, 0), 0.10);
    canvas.Fill(RoundedRect(1.0, 1.0, right + 0.5, bottom + 0.8, radius), Rgb(0, 0, 0), 0.08);
  }
  Shape face = RoundedRect(0.5, 0.5, right, bottom, radius);
  canvas.Fill(face, VerticalGradient(0.5, bottom, palette.top, palette.bottom));
  // A one-pixel light line inside the top edge, or an inner shadow when pressed.
  canvas.Fill(Intersect(Outline(RoundedRect(1.5, 1.5, right - 1.0, bottom - 1.0, radius - 1), 1.0),
                        [](double, double y) { return y - 5.0; }),
              palette.highlight, look == Look::Pressed ? 0.9 : 0.8);
  // The caption is drawn along the top edge, so the border fades out towards the top.
  canvas.Fill(Outline(face, 1.0), VerticalGradient(0.5, bottom * 0.6, Mix(palette.top, palette.border, 0.35),
                                                   palette.border));
}

void DrawGlyph(Canvas& canvas, Glyph glyph, double cx, double cy) {
  switch (glyph) {
    case Glyph::Settings: {
      Shape gear = Circle(cx, cy, 4.0);
      for (int i = 0; i < 4; ++i) {
        double a = i * 3.14159265358979 / 4;
        double dx = 5.4 * std::cos(a), dy = 5.4 * std::sin(a);
        gear = Union(gear, Stroke(cx - dx, cy - dy, cx + dx, cy + dy, 2.2));
      }
      gear = Subtract(gear, Circle(cx, cy, 1.7));
      canvas.Fill(gear, VerticalGradient(cy - 6, cy + 6, Rgb(120, 136, 158), Rgb(62, 76, 98)));
      break;
    }
    case Glyph::Package: {
      canvas.Fill(Arc(cx, cy - 1.2, 2.9, 1.6, 0, 180), Rgb(120, 128, 140));
      canvas.Fill(Stroke(cx - 2.9, cy - 1.2, cx - 2.9, cy + 0.5, 1.6), Rgb(120, 128, 140));
      canvas.Fill(Stroke(cx + 2.9, cy - 1.2, cx + 2.9, cy + 0.5, 1.6), Rgb(120, 128, 140));
      Shape body = RoundedRect(cx - 4.8, cy - 0.2, cx + 4.8, cy + 6.2, 1.4);
      canvas.Fill(body, VerticalGradient(cy, cy + 6, Rgb(248, 206, 96), Rgb(204, 138, 24)));
      canvas.Fill(Outline(body, 0.8), Rgb(150, 96, 10));
      canvas.Fill(Stroke(cx, cy + 2.0, cx, cy + 3.8, 1.3), Rgb(110, 70, 10));
      break;
    }
    case Glyph::About:
    case Glyph::Help: {
      bool about = glyph == Glyph::About;
      Shape disc = Circle(cx, cy, 5.8);
      canvas.Fill(disc, VerticalGradient(cy - 6, cy + 6, about ? Rgb(98, 166, 236) : Rgb(100, 200, 112),
                                         about ? Rgb(30, 96, 184) : Rgb(34, 130, 56)));
      canvas.Fill(Outline(disc, 0.8), about ? Rgb(22, 72, 140) : Rgb(24, 96, 40));
      Colour white = Rgb(255, 255, 255);
      if (about) {
        canvas.Fill(Circle(cx, cy - 3.0, 1.0), white);
        canvas.Fill(Stroke(cx, cy - 0.6, cx, cy + 3.2, 1.8), white);
      } else {
        canvas.Fill(Arc(cx, cy - 1.6, 2.2, 1.6, -70, 180), white);
        canvas.Fill(Stroke(cx + 0.8, cy + 0.5, cx, cy + 1.6, 1.6), white);
        canvas.Fill(Circle(cx, cy + 3.6, 0.95), white);
      }
      break;
    }
    case Glyph::Edit: {
      canvas.Fill(Stroke(cx - 3.2, cy + 3.2, cx + 3.0, cy - 3.0, 3.4),
                  VerticalGradient(cy - 4, cy + 4, Rgb(252, 188, 72), Rgb(222, 130, 20)));
      canvas.Fill(Stroke(cx + 3.2, cy - 3.2, cx + 4.4, cy - 4.4, 3.4), Rgb(232, 120, 140));
      canvas.Fill(Stroke(cx - 3.6, cy + 3.6, cx - 5.0, cy + 5.0, 1.6), Rgb(70, 70, 70));
      break;
    }
    case Glyph::Ok: {
      Colour green = Rgb(40, 150, 60);
      canvas.Fill(Stroke(cx - 4.6, cy + 0.2, cx - 1.4, cy + 3.6, 2.3), green);
      canvas.Fill(Stroke(cx - 1.4, cy + 3.6, cx + 4.8, cy - 4.0, 2.3), green);
      break;
    }
    case Glyph::Cancel: {
      Colour red = Rgb(200, 48, 48);
      canvas.Fill(Stroke(cx - 3.8, cy - 3.8, cx + 3.8, cy + 3.8, 2.3), red);
      canvas.Fill(Stroke(cx - 3.8, cy + 3.8, cx + 3.8, cy - 3.8, 2.3), red);
      break;
    }
  }
}
}  // namespace

Canvas SmallButton(int width, int height, Glyph glyph, Look look) {
  Canvas canvas(width, height, kBackdrop);
  double bottom = height - 2.5;
  DrawFace(canvas, bottom, 4.0, Palette(look), look);
  double shift = look == Look::Pressed ? 1.0 : 0.0;
  // Level with the caption, which the button draws in the upper part of the face.
  DrawGlyph(canvas, glyph, 9.5 + shift, 7.5 + shift);
  return canvas;
}

Canvas RecordButton(bool recording, Look look) {
  Canvas canvas(176, 56, kBackdrop);
  double bottom = 53.5;
  DrawFace(canvas, bottom, 7.0, recording ? RecordingPalette(look) : Palette(look), look);
  // A title band for the caption, which the button draws along the top edge.
  Shape band = Intersect(RoundedRect(1.0, 1.0, 175.0, 40.0, 6.5), [](double, double y) { return y - 16.0; });
  canvas.Fill(band, recording ? Rgb(226, 150, 150) : Rgb(160, 178, 204), look == Look::Normal ? 0.30 : 0.40);
  canvas.Fill(RoundedRect(1.0, 16.0, 175.0, 17.0, 0.5), recording ? Rgb(200, 120, 120) : Rgb(150, 166, 190), 0.6);

  double shift = look == Look::Pressed ? 1.0 : 0.0;
  double cx = 88 + shift, cy = 35.5 + shift;
  Colour ringColour = look == Look::Normal ? Rgb(176, 186, 200) : Rgb(61, 123, 196);
  if (recording) ringColour = look == Look::Normal ? Rgb(200, 120, 120) : Rgb(150, 40, 40);
  canvas.Fill(Circle(cx, cy, 14.5), Rgb(255, 255, 255), 0.6);
  canvas.Fill(Ring(cx, cy, 14.5, 1.4), ringColour);
  if (!recording) {
    bool lit = look != Look::Normal;
    Shape dot = Circle(cx, cy, 10.5);
    canvas.Fill(dot, VerticalGradient(cy - 10, cy + 10, lit ? Rgb(255, 110, 100) : Rgb(246, 92, 86),
                                      lit ? Rgb(214, 26, 26) : Rgb(188, 28, 28)));
    canvas.Fill(Outline(dot, 1.0), Rgb(130, 14, 14));
    canvas.Fill(Circle(cx - 3.5, cy - 4.0, 3.8), Rgb(255, 255, 255), 0.35);
  } else {
    Shape square = RoundedRect(cx - 9, cy - 9, cx + 9, cy + 9, 2.5);
    canvas.Fill(square, VerticalGradient(cy - 9, cy + 9, Rgb(96, 104, 116), Rgb(34, 38, 46)));
    canvas.Fill(Outline(square, 1.0), Rgb(20, 22, 28));
    canvas.Fill(RoundedRect(cx - 7.5, cy - 7.5, cx + 7.5, cy - 3, 2), Rgb(255, 255, 255), 0.18);
    // The live mark at the left: a red dot while the lesson is being recorded.
    Shape live = Circle(14 + shift, 36 + shift, 4.2);
    canvas.Fill(Circle(14 + shift, 36 + shift, 6.5), Rgb(255, 80, 80), 0.25);
    canvas.Fill(live, VerticalGradient(31, 41, Rgb(255, 96, 96), Rgb(200, 20, 20)));
  }
  return canvas;
}

Canvas DevicesPicture(Look look) {
  Canvas canvas(66, 59, kBackdrop);
  double bottom = 56.5;
  DrawFace(canvas, bottom, 6.0, Palette(look), look);
  double s = look == Look::Pressed ? 1.0 : 0.0;
  // Camera body, lens and side.
  Shape body = RoundedRect(9 + s, 20 + s, 39 + s, 42 + s, 4);
  canvas.Fill(body, VerticalGradient(20, 42, Rgb(92, 106, 128), Rgb(40, 50, 66)));
  Shape side = RoundedRect(38 + s, 25 + s, 47 + s, 37 + s, 2);
  canvas.Fill(side, VerticalGradient(25, 37, Rgb(80, 94, 116), Rgb(40, 50, 66)));
  canvas.Fill(Circle(22 + s, 31 + s, 7.5), Rgb(210, 220, 232));
  canvas.Fill(Circle(22 + s, 31 + s, 5.5), VerticalGradient(25, 37, Rgb(80, 150, 230), Rgb(20, 60, 130)));
  canvas.Fill(Circle(20 + s, 29 + s, 1.8), Rgb(255, 255, 255), 0.7);
  canvas.Fill(Circle(34 + s, 24.5 + s, 1.6), Rgb(255, 80, 80));
  // Microphone on a stand.
  Shape head = RoundedRect(50 + s, 24 + s, 57 + s, 38 + s, 3.5);
  canvas.Fill(head, VerticalGradient(24, 38, Rgb(200, 206, 216), Rgb(120, 128, 142)));
  canvas.Fill(Outline(head, 0.8), Rgb(80, 88, 100));
  canvas.Fill(Arc(53.5 + s, 36 + s, 5.0, 1.2, 180, 360), Rgb(80, 88, 100));
  canvas.Fill(Stroke(53.5 + s, 41 + s, 53.5 + s, 46 + s, 1.4), Rgb(80, 88, 100));
  canvas.Fill(Stroke(50 + s, 46.5 + s, 57 + s, 46.5 + s, 1.4), Rgb(80, 88, 100));
  return canvas;
}

Canvas ProgramIcon(int size) {
  double k = size / 32.0;
  Colour deep = Rgb(29, 79, 154);
  Canvas canvas(size, size, deep);
  Shape tile = RoundedRect(1 * k, 1 * k, 31 * k, 31 * k, 6 * k);
  canvas.Fill(tile, VerticalGradient(1 * k, 31 * k, Rgb(72, 146, 230), deep));
  Colour white = Rgb(255, 255, 255);
  canvas.Fill(RoundedRect(5 * k, 10 * k, 21 * k, 23 * k, 2.5 * k), white);
  canvas.Fill(RoundedRect(20 * k, 12.5 * k, 27.5 * k, 20.5 * k, 1.5 * k), white);
  canvas.Fill(Circle(12.5 * k, 16.5 * k, 3.6 * k), Rgb(226, 40, 40));
  return canvas;
}
