// An owning AM_MEDIA_TYPE and the constructors of the video and sound types the filters use.
#pragma once
// The C++ string headers come before dshow.h, whose strsafe.h renames the wide printf functions.
#include <string>
#include <vector>

#include <windows.h>
#include <dshow.h>

namespace dshow {

// Frees the format block and the unknown of a media type and zeroes those fields.
void FreeMediaTypeContents(AM_MEDIA_TYPE& mt);
// Deep copy; false when the format block cannot be allocated.
bool CopyMediaTypeContents(AM_MEDIA_TYPE& dst, const AM_MEDIA_TYPE& src);
// A CoTaskMemAlloc'ed copy that the receiver frees (as IEnumMediaTypes and GetFormat hand out).
AM_MEDIA_TYPE* NewMediaTypeCopy(const AM_MEDIA_TYPE& src);
void DeleteMediaTypeCopy(AM_MEDIA_TYPE* mt);
// True when `partial` leaves a field open (GUID_NULL) or equals `full` in it.
bool MatchesPartial(const AM_MEDIA_TYPE* partial, const AM_MEDIA_TYPE& full);

class MediaType {
public:
  MediaType() = default;
  explicit MediaType(const AM_MEDIA_TYPE& mt) { dshow::CopyMediaTypeContents(mt_, mt); }
  MediaType(const MediaType& other) { dshow::CopyMediaTypeContents(mt_, other.mt_); }
  MediaType& operator=(const MediaType& other);
  // Qualified: a program may have a global function of the same name for the same type.
  ~MediaType() { dshow::FreeMediaTypeContents(mt_); }

  const AM_MEDIA_TYPE& Get() const { return mt_; }
  AM_MEDIA_TYPE& Get() { return mt_; }
  bool Empty() const { return mt_.majortype == GUID_NULL; }
  // The format block as a video or wave header, or null when the type carries another.
  VIDEOINFOHEADER* Video() const;
  WAVEFORMATEX* Wave() const;

  // Uncompressed bottom-up RGB (bitCount 16 means RGB555).
  static MediaType Rgb(int width, int height, int bitCount, REFERENCE_TIME avgTimePerFrame);
  static MediaType Pcm(int sampleRate, int channels, int bitsPerSample);

private:
  AM_MEDIA_TYPE mt_{};
};

// Bytes of one bottom-up RGB row, padded to a DWORD as in a DIB.
inline int DibStride(int width, int bitCount) { return ((width * bitCount + 31) / 32) * 4; }

}  // namespace dshow
