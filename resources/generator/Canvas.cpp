#include "Canvas.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kSamples = 4;
constexpr double kPi = 3.14159265358979323846;
}  // namespace

Colour Rgb(int r, int g, int b) { return Colour{r / 255.0, g / 255.0, b / 255.0}; }

Colour Mix(const Colour& a, const Colour& b, double t) {
  return Colour{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Canvas::Canvas(int width, int height, const Colour& background)
    : width_(width), height_(height), pixels_(width * height, background), alpha_(width * height, 0.0) {}

void Canvas::Fill(const Shape& shape, const Paint& paint, double opacity) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      int inside = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          double px = x + (sx + 0.5) / kSamples;
          double py = y + (sy + 0.5) / kSamples;
          if (shape(px, py) < 0) ++inside;
        }
      }
      if (inside == 0) continue;
      double coverage = static_cast<double>(inside) / (kSamples * kSamples);
      double a = coverage * opacity;
      Colour& pixel = pixels_[y * width_ + x];
      pixel = Mix(pixel, paint(x + 0.5, y + 0.5), a);
      double& alpha = alpha_[y * width_ + x];
      alpha = alpha + (1.0 - alpha) * a;
    }
  }
}

void Canvas::Fill(const Shape& shape, const Colour& colour, double opacity) {
  Fill(shape, [colour](double, double) { return colour; }, opacity);
}

Paint VerticalGradient(double top, double bottom, const Colour& from, const Colour& to) {
  return [=](double, double y) {
    double t = std::clamp((y - top) / std::max(1.0, bottom - top), 0.0, 1.0);
    return Mix(from, to, t);
  };
}

Shape RoundedRect(double left, double top, double right, double bottom, double radius) {
  double cx = (left + right) / 2, cy = (top + bottom) / 2;
  double hw = (right - left) / 2 - radius, hh = (bottom - top) / 2 - radius;
  return [=](double x, double y) {
    double qx = std::fabs(x - cx) - hw, qy = std::fabs(y - cy) - hh;
    double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
  };
}

Shape Circle(double cx, double cy, double radius) {
  return [=](double x, double y) { return std::hypot(x - cx, y - cy) - radius; };
}

Shape Ring(double cx, double cy, double radius, double thickness) {
  return [=](double x, double y) { return std::fabs(std::hypot(x - cx, y - cy) - radius) - thickness / 2; };
}

Shape Stroke(double x1, double y1, double x2, double y2, double width) {
  return [=](double x, double y) {
    double dx = x2 - x1, dy = y2 - y1;
    double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? std::clamp(((x - x1) * dx + (y - y1) * dy) / length2, 0.0, 1.0) : 0.0;
    return std::hypot(x - (x1 + t * dx), y - (y1 + t * dy)) - width / 2;
  };
}

Shape Arc(double cx, double cy, double radius, double width, double from, double to) {
  double a0 = from * kPi / 180, a1 = to * kPi / 180;
  double x0 = cx + radius * std::cos(a0), y0 = cy - radius * std::sin(a0);
  double x1 = cx + radius * std::cos(a1), y1 = cy - radius * std::sin(a1);
  return [=](double x, double y) {
    double angle = std::atan2(-(y - cy), x - cx);
    while (angle < a0) angle += 2 * kPi;
    while (angle > a0 + 2 * kPi) angle -= 2 * kPi;
    if (angle <= a1) return std::fabs(std::hypot(x - cx, y - cy) - radius) - width / 2;
    double end = std::min(std::hypot(x - x0, y - y0), std::hypot(x - x1, y - y1));
    return end - width / 2;
  };
}

Shape Union(const Shape& a, const Shape& b) {
  return [=](double x, double y) { return std::min(a(x, y), b(x, y)); };
}

Shape Subtract(const Shape& a, const Shape& b) {
  return [=](double x, double y) { return std::max(a(x, y), -b(x, y)); };
}

Shape Intersect(const Shape& a, const Shape& b) {
  return [=](double x, double y) { return std::max(a(x, y), b(x, y)); };
}

Shape Outline(const Shape& shape, double width) {
  return [=](double x, double y) {
    double d = shape(x, y);
    return std::max(d, -d - width);
  };
}

Shape Offset(const Shape& shape, double dx, double dy) {
  return [=](double x, double y) { return shape(x - dx, y - dy); };
}
