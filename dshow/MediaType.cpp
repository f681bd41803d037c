#include "dshow/MediaType.h"

#include <cstring>
#include <uuids.h>

namespace dshow {

void FreeMediaTypeContents(AM_MEDIA_TYPE& mt) {
  if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
  if (mt.pUnk) mt.pUnk->Release();
  mt.pbFormat = nullptr;
  mt.cbFormat = 0;
  mt.pUnk = nullptr;
}

bool CopyMediaTypeContents(AM_MEDIA_TYPE& dst, const AM_MEDIA_TYPE& src) {
  dst = src;
  dst.pbFormat = nullptr;
  dst.cbFormat = 0;
  if (src.cbFormat && src.pbFormat) {
    dst.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(src.cbFormat));
    if (!dst.pbFormat) return false;
    std::memcpy(dst.pbFormat, src.pbFormat, src.cbFormat);
    dst.cbFormat = src.cbFormat;
  }
  if (dst.pUnk) dst.pUnk->AddRef();
  return true;
}

AM_MEDIA_TYPE* NewMediaTypeCopy(const AM_MEDIA_TYPE& src) {
  auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!mt) return nullptr;
  if (!CopyMediaTypeContents(*mt, src)) {
    CoTaskMemFree(mt);
    return nullptr;
  }
  return mt;
}

void DeleteMediaTypeCopy(AM_MEDIA_TYPE* mt) {
  if (!mt) return;
  FreeMediaTypeContents(*mt);
  CoTaskMemFree(mt);
}

bool MatchesPartial(const AM_MEDIA_TYPE* partial, const AM_MEDIA_TYPE& full) {
  if (!partial) return true;
  auto fits = [](const GUID& wanted, const GUID& offered) {
    return wanted == GUID_NULL || wanted == offered;
  };
  return fits(partial->majortype, full.majortype) && fits(partial->subtype, full.subtype) &&
         fits(partial->formattype, full.formattype);
}

MediaType& MediaType::operator=(const MediaType& other) {
  if (this != &other) {
    FreeMediaTypeContents(mt_);
    CopyMediaTypeContents(mt_, other.mt_);
  }
  return *this;
}

VIDEOINFOHEADER* MediaType::Video() const {
  if (mt_.formattype != FORMAT_VideoInfo || mt_.cbFormat < sizeof(VIDEOINFOHEADER)) return nullptr;
  return reinterpret_cast<VIDEOINFOHEADER*>(mt_.pbFormat);
}

WAVEFORMATEX* MediaType::Wave() const {
  if (mt_.formattype != FORMAT_WaveFormatEx || mt_.cbFormat < sizeof(WAVEFORMAT)) return nullptr;
  return reinterpret_cast<WAVEFORMATEX*>(mt_.pbFormat);
}

MediaType MediaType::Rgb(int width, int height, int bitCount, REFERENCE_TIME avgTimePerFrame) {
  MediaType t;
  AM_MEDIA_TYPE& mt = t.mt_;
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = bitCount == 32 ? MEDIASUBTYPE_RGB32
             : bitCount == 24 ? MEDIASUBTYPE_RGB24
                              : MEDIASUBTYPE_RGB555;
  mt.formattype = FORMAT_VideoInfo;
  mt.bFixedSizeSamples = TRUE;
  mt.bTemporalCompression = FALSE;
  mt.lSampleSize = DibStride(width, bitCount) * height;
  mt.cbFormat = sizeof(VIDEOINFOHEADER);
  mt.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(mt.cbFormat));
  if (!mt.pbFormat) {
    mt.cbFormat = 0;
    return t;
  }
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat);
  std::memset(vih, 0, sizeof(*vih));
  vih->AvgTimePerFrame = avgTimePerFrame;
  vih->dwBitRate = static_cast<DWORD>(mt.lSampleSize * 8LL * 10000000LL / avgTimePerFrame);
  BITMAPINFOHEADER& bih = vih->bmiHeader;
  bih.biSize = sizeof(BITMAPINFOHEADER);
  bih.biWidth = width;
  bih.biHeight = height;
  bih.biPlanes = 1;
  bih.biBitCount = static_cast<WORD>(bitCount);
  bih.biCompression = BI_RGB;
  bih.biSizeImage = mt.lSampleSize;
  return t;
}

MediaType MediaType::Pcm(int sampleRate, int channels, int bitsPerSample) {
  MediaType t;
  AM_MEDIA_TYPE& mt = t.mt_;
  mt.majortype = MEDIATYPE_Audio;
  mt.subtype = MEDIASUBTYPE_PCM;
  mt.formattype = FORMAT_WaveFormatEx;
  mt.bFixedSizeSamples = TRUE;
  mt.lSampleSize = channels * bitsPerSample / 8;
  mt.cbFormat = sizeof(WAVEFORMATEX);
  mt.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(mt.cbFormat));
  if (!mt.pbFormat) {
    mt.cbFormat = 0;
    return t;
  }
  auto* wf = reinterpret_cast<WAVEFORMATEX*>(mt.pbFormat);
  wf->wFormatTag = WAVE_FORMAT_PCM;
  wf->nChannels = static_cast<WORD>(channels);
  wf->nSamplesPerSec = sampleRate;
  wf->wBitsPerSample = static_cast<WORD>(bitsPerSample);
  wf->nBlockAlign = static_cast<WORD>(channels * bitsPerSample / 8);
  wf->nAvgBytesPerSec = sampleRate * wf->nBlockAlign;
  wf->cbSize = 0;
  return t;
}

}  // namespace dshow
