#include "recorder/slides/SlidePicture.h"

#include "framework/Handles.h"
#include "framework/WholeFile.h"

#include <objidl.h>
#include <wincodec.h>

namespace {
// One 5-bit colour widened so that 0 stays 0 and 31 becomes 255.
inline uint8_t Widen(unsigned five) { return static_cast<uint8_t>((five << 3) | (five >> 2)); }

// The picture as top-down 24-bit rows (blue, green, red).
std::vector<uint8_t> WidenedRows(const uint8_t* pixels, const PictureShape& shape, UINT rowBytes) {
  std::vector<uint8_t> rows(static_cast<size_t>(rowBytes) * shape.height);
  for (int y = 0; y < shape.height; ++y) {
    const uint8_t* from = pixels + static_cast<size_t>(shape.height - 1 - y) * shape.stride;
    uint8_t* to = rows.data() + static_cast<size_t>(y) * rowBytes;
    for (int x = 0; x < shape.width; ++x) {
      const unsigned pixel = from[2 * x] | (from[2 * x + 1] << 8);
      to[3 * x] = Widen(pixel & 31);
      to[3 * x + 1] = Widen((pixel >> 5) & 31);
      to[3 * x + 2] = Widen((pixel >> 10) & 31);
    }
  }
  return rows;
}

bool MakeFactory(ComPtr<IWICImagingFactory>& factory) {
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(factory.Out())));
}
}  // namespace

std::string EncodeSlidePng(const uint8_t* pixels, const PictureShape& shape) {
  ComPtr<IWICImagingFactory> factory;
  if (!MakeFactory(factory)) return {};
  ComPtr<IStream> memory;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, memory.Out()))) return {};
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Out())) ||
      FAILED(encoder->Initialize(memory.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.Out(), nullptr)) || FAILED(frame->Initialize(nullptr)) ||
      FAILED(frame->SetSize(shape.width, shape.height)))
    return {};
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  // The encoder may offer another format instead; the rows are only made for this one.
  if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return {};
  const UINT rowBytes = (static_cast<UINT>(shape.width) * 3 + 3) & ~3u;
  std::vector<uint8_t> rows = WidenedRows(pixels, shape, rowBytes);
  if (FAILED(frame->WritePixels(shape.height, rowBytes, static_cast<UINT>(rows.size()), rows.data())) ||
      FAILED(frame->Commit()) || FAILED(encoder->Commit()))
    return {};
  HGLOBAL block = nullptr;
  STATSTG stat = {};
  if (FAILED(GetHGlobalFromStream(memory.Get(), &block)) || FAILED(memory->Stat(&stat, STATFLAG_NONAME))) return {};
  const void* bytes = GlobalLock(block);
  if (!bytes) return {};
  std::string png(static_cast<const char*>(bytes), static_cast<size_t>(stat.cbSize.QuadPart));
  GlobalUnlock(block);
  return png;
}

bool WriteSlidePicture(const std::string& path, const uint8_t* pixels, const PictureShape& shape) {
  const std::string png = EncodeSlidePng(pixels, shape);
  return !png.empty() && ReplaceFileContents(path, png);
}

bool SlidePictureReadable(const std::string& path) {
  ComPtr<IWICImagingFactory> factory;
  if (!MakeFactory(factory)) return false;
  std::wstring wide(path.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  if (length <= 0) return false;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  UINT width = 0, height = 0;
  if (FAILED(factory->CreateDecoderFromFilename(wide.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                decoder.Out())) ||
      FAILED(decoder->GetFrame(0, frame.Out())) || FAILED(frame->GetSize(&width, &height)) || width == 0 ||
      height == 0)
    return false;
  // Every row is decoded: a file cut short or damaged fails here.
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)))
    return false;
  std::vector<uint8_t> rows(static_cast<size_t>(width) * 4 * height);
  return SUCCEEDED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(rows.size()), rows.data()));
}
