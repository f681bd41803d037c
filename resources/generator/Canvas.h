// A small anti-aliased raster for drawing the button pictures: shapes are signed distance
// functions (negative inside), each pixel is sampled 4 x 4 times.
#pragma once
#include <functional>
#include <vector>

struct Colour {
  double r = 0, g = 0, b = 0;
};

Colour Rgb(int r, int g, int b);
Colour Mix(const Colour& a, const Colour& b, double t);

// Signed distance in pixels from a point to a shape's edge.
using Shape = std::function<double(double x, double y)>;
// Colour of a shape's paint at a point.
using Paint = std::function<Colour(double x, double y)>;

class Canvas {
public:
  Canvas(int width, int height, const Colour& background);

  int Width() const { return width_; }
  int Height() const { return height_; }
  const Colour& At(int x, int y) const { return pixels_[y * width_ + x]; }
  // Coverage (0..1) of a pixel by the last shape drawn with an alpha channel of its own.
  double Alpha(int x, int y) const { return alpha_[y * width_ + x]; }

  // Paints the shape with the given paint and opacity.
  void Fill(const Shape& shape, const Paint& paint, double opacity = 1.0);
  void Fill(const Shape& shape, const Colour& colour, double opacity = 1.0);

private:
  int width_, height_;
  std::vector<Colour> pixels_;
  std::vector<double> alpha_;
};

// Paints.
Paint VerticalGradient(double top, double bottom, const Colour& from, const Colour& to);

// Shapes (all coordinates in pixels, pixel centres at .5).
Shape RoundedRect(double left, double top, double right, double bottom, double radius);
Shape Circle(double cx, double cy, double radius);
Shape Ring(double cx, double cy, double radius, double thickness);
// A line segment with round ends, `width` thick.
Shape Stroke(double x1, double y1, double x2, double y2, double width);
// An arc of a ring from angle `from` to `to` (degrees, 0 = right, counter-clockwise on screen).
Shape Arc(double cx, double cy, double radius, double width, double from, double to);
Shape Union(const Shape& a, const Shape& b);
Shape Subtract(const Shape& a, const Shape& b);
Shape Intersect(const Shape& a, const Shape& b);
// The outline band of a shape, `width` thick, inside its edge.
Shape Outline(const Shape& shape, double width);
Shape Offset(const Shape& shape, double dx, double dy);
