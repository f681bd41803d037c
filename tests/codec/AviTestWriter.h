// Writes 16-bit frames into an AVI file through AVIFIL32's compressing stream with the 'MSVC'
// compressor, the way the screen recorder does.
#pragma once
#include <windows.h>
#include <vfw.h>

#include <cstdint>
#include <string>
#include <vector>

class AviTestWriter {
public:
  AviTestWriter(const std::string& path, int width, int height, DWORD keyFrameEvery, DWORD quality);
  ~AviTestWriter();
  AviTestWriter(const AviTestWriter&) = delete;
  AviTestWriter& operator=(const AviTestWriter&) = delete;

  // Result of the set-up: 0 when the file and the compressed stream are ready.
  HRESULT SetupResult() const { return setup_; }
  HRESULT Write(LONG position, const std::vector<uint8_t>& pixels);
  // Releases the streams and the file; the file is complete afterwards.
  void Close();

private:
  BITMAPINFOHEADER format_ = {};
  AVICOMPRESSOPTIONS options_ = {};
  PAVIFILE file_ = nullptr;
  PAVISTREAM raw_ = nullptr;
  PAVISTREAM compressed_ = nullptr;
  HRESULT setup_ = E_FAIL;
};
