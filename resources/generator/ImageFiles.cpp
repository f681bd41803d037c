#include "ImageFiles.h"

#include <algorithm>
#include <cstdint>
#include <fstream>

namespace {
void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(value & 0xFF);
  out.push_back((value >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

uint8_t Byte(double channel) { return static_cast<uint8_t>(std::clamp(channel, 0.0, 1.0) * 255.0 + 0.5); }

// BITMAPINFOHEADER; an icon image states twice its height (colour rows and mask rows).
void PutInfoHeader(std::vector<uint8_t>& out, int width, int height, int bits, uint32_t imageSize) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, imageSize);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
}

bool Save(const std::vector<uint8_t>& bytes, const std::string& path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}
}  // namespace

bool WriteBmp(const Canvas& canvas, const std::string& path) {
  int w = canvas.Width(), h = canvas.Height();
  uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  uint32_t imageSize = stride * static_cast<uint32_t>(h);
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 14 + 40 + imageSize);
  Put32(out, 0);
  Put32(out, 14 + 40);
  PutInfoHeader(out, w, h, 24, imageSize);
  for (int y = h - 1; y >= 0; --y) {
    size_t rowStart = out.size();
    for (int x = 0; x < w; ++x) {
      const Colour& c = canvas.At(x, y);
      out.push_back(Byte(c.b));
      out.push_back(Byte(c.g));
      out.push_back(Byte(c.r));
    }
    while (out.size() - rowStart < stride) out.push_back(0);
  }
  return Save(out, path);
}

bool WriteIco(const std::vector<const Canvas*>& images, const std::string& path) {
  std::vector<std::vector<uint8_t>> blobs;
  for (const Canvas* canvas : images) {
    int w = canvas->Width(), h = canvas->Height();
    uint32_t maskStride = ((static_cast<uint32_t>(w) + 31) / 32) * 4;
    std::vector<uint8_t> blob;
    PutInfoHeader(blob, w, h * 2, 32, static_cast<uint32_t>(w * h * 4) + maskStride * static_cast<uint32_t>(h));
    for (int y = h - 1; y >= 0; --y) {
      for (int x = 0; x < w; ++x) {
        const Colour& c = canvas->At(x, y);
        blob.push_back(Byte(c.b));
        blob.push_back(Byte(c.g));
        blob.push_back(Byte(c.r));
        blob.push_back(Byte(canvas->Alpha(x, y)));
      }
    }
    // The AND mask: transparent where the picture has no coverage, for viewers without alpha.
    for (int y = h - 1; y >= 0; --y) {
      std::vector<uint8_t> row(maskStride, 0);
      for (int x = 0; x < w; ++x) {
        if (canvas->Alpha(x, y) < 0.5) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
      blob.insert(blob.end(), row.begin(), row.end());
    }
    blobs.push_back(std::move(blob));
  }
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<uint8_t>(images[i]->Width() & 0xFF));
    out.push_back(static_cast<uint8_t>(images[i]->Height() & 0xFF));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<uint32_t>(blobs[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(blobs[i].size());
  }
  for (const auto& blob : blobs) out.insert(out.end(), blob.begin(), blob.end());
  return Save(out, path);
}
