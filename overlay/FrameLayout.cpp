#include "overlay/FrameLayout.h"

#include <uuids.h>

#include <cstdlib>

namespace {
// Frames larger than this in either direction are not video the overlay draws on.
constexpr int kMaxSide = 16384;
}  // namespace

bool FrameLayoutOf(const AM_MEDIA_TYPE& mt, FrameLayout* layout) {
  if (!layout || mt.majortype != MEDIATYPE_Video || mt.formattype != FORMAT_VideoInfo ||
      !mt.pbFormat || mt.cbFormat < sizeof(VIDEOINFOHEADER))
    return false;
  const BITMAPINFOHEADER& bmi = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
  if (bmi.biWidth <= 0 || bmi.biWidth > kMaxSide || bmi.biHeight == 0 ||
      std::labs(bmi.biHeight) > kMaxSide)
    return false;
  FrameLayout result;
  int bytesPerPixel = 0;
  if (mt.subtype == MEDIASUBTYPE_RGB24 && bmi.biBitCount == 24) {
    result.pixels = FramePixels::Rgb24;
    bytesPerPixel = 3;
  } else if (mt.subtype == MEDIASUBTYPE_RGB32 && bmi.biBitCount == 32) {
    result.pixels = FramePixels::Rgb32;
    bytesPerPixel = 4;
  } else if (mt.subtype == MEDIASUBTYPE_RGB555 && bmi.biBitCount == 16) {
    result.pixels = FramePixels::Rgb555;
    bytesPerPixel = 2;
  } else if (mt.subtype == MEDIASUBTYPE_YUY2 && bmi.biBitCount == 16 && bmi.biWidth % 2 == 0) {
    result.pixels = FramePixels::Yuy2;
    bytesPerPixel = 2;
  } else {
    return false;
  }
  result.width = bmi.biWidth;
  result.height = static_cast<int>(std::labs(bmi.biHeight));
  // RGB rows are padded to four bytes; YUY2 rows are packed pixel pairs.
  result.stride = result.pixels == FramePixels::Yuy2 ? result.width * 2
                                                     : ((result.width * bytesPerPixel + 3) / 4) * 4;
  // A positive height is bottom-up for RGB; YUV is top-down either way.
  result.bottomUp = result.pixels != FramePixels::Yuy2 && bmi.biHeight > 0;
  *layout = result;
  return true;
}
