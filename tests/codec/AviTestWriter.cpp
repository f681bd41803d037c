#include "tests/codec/AviTestWriter.h"

AviTestWriter::AviTestWriter(const std::string& path, int width, int height, DWORD keyFrameEvery,
                             DWORD quality) {
  AVIFileInit();
  format_.biSize = sizeof(format_);
  format_.biWidth = width;
  format_.biHeight = height;
  format_.biPlanes = 1;
  format_.biBitCount = 16;
  format_.biCompression = BI_RGB;
  format_.biSizeImage = DWORD(height) * ((DWORD(width) * 2 + 3) & ~3u);

  DeleteFileA(path.c_str());
  setup_ = AVIFileOpenA(&file_, path.c_str(), OF_WRITE | OF_CREATE, nullptr);
  if (setup_ != 0) return;
  AVISTREAMINFOA info = {};
  info.fccType = streamtypeVIDEO;
  info.dwScale = 1;
  info.dwRate = 200;
  info.dwSuggestedBufferSize = format_.biSizeImage;
  SetRect(&info.rcFrame, 0, 0, width, height);
  setup_ = AVIFileCreateStreamA(file_, &raw_, &info);
  if (setup_ != 0) return;
  options_.fccType = streamtypeVIDEO;
  options_.fccHandler = mmioFOURCC('M', 'S', 'V', 'C');
  options_.dwKeyFrameEvery = keyFrameEvery;
  options_.dwQuality = quality;
  options_.dwFlags = AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_VALID;
  setup_ = AVIMakeCompressedStream(&compressed_, raw_, &options_, nullptr);
  if (setup_ != 0) return;
  setup_ = AVIStreamSetFormat(compressed_, 0, &format_, sizeof(format_));
}

HRESULT AviTestWriter::Write(LONG position, const std::vector<uint8_t>& pixels) {
  return AVIStreamWrite(compressed_, position, 1, const_cast<uint8_t*>(pixels.data()),
                        LONG(pixels.size()), 0, nullptr, nullptr);
}

void AviTestWriter::Close() {
  if (compressed_) AVIStreamRelease(compressed_);
  if (raw_) AVIStreamRelease(raw_);
  if (file_) AVIFileRelease(file_);
  compressed_ = raw_ = nullptr;
  file_ = nullptr;
}

AviTestWriter::~AviTestWriter() {
  Close();
  AVIFileExit();
}
