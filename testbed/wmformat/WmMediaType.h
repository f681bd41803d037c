// Media types of the Windows Media Format stand-in: the identifiers it uses, an owned copy of a
// WM_MEDIA_TYPE with its format block, and the video formats it describes.
#pragma once
#include <windows.h>

#include <wmsdkidl.h>
#include <strmif.h>
#include <amvideo.h>

#include <vector>

namespace testbed {

// Windows Media video and audio major types and the VIDEOINFOHEADER format type; they have
// the values of DirectShow's MEDIATYPE_Video, MEDIATYPE_Audio and FORMAT_VideoInfo.
extern const GUID kWmVideo;
extern const GUID kWmAudio;
extern const GUID kWmFormatVideoInfo;
// Sub-types: Windows Media Screen 7 and 9, Windows Media Video 9, uncompressed RGB24.
extern const GUID kWmSubtypeMss1;
extern const GUID kWmSubtypeMss2;
extern const GUID kWmSubtypeWmv3;
extern const GUID kWmSubtypeRgb24;

class WmMediaType {
public:
  WmMediaType() = default;
  WmMediaType(const WmMediaType& other) : block_(other.block_) { PointAtFormat(); }
  WmMediaType& operator=(const WmMediaType& other) {
    block_ = other.block_;
    PointAtFormat();
    return *this;
  }
  WmMediaType(WmMediaType&&) = default;  // the block, and so the format pointer, moves along
  WmMediaType& operator=(WmMediaType&&) = default;

  bool Empty() const { return block_.empty(); }
  const WM_MEDIA_TYPE* Get() const;
  // Copies `type` and its format block; E_INVALIDARG when the format block is inconsistent.
  HRESULT Set(const WM_MEDIA_TYPE& type);
  // IWMMediaProps::GetMediaType: the size of the structure and its format block when `out` is
  // null, the copy in the caller's block (format pointer just behind the structure) otherwise.
  HRESULT CopyTo(WM_MEDIA_TYPE* out, DWORD* size) const;
  // The VIDEOINFOHEADER of a video type, or null.
  const VIDEOINFOHEADER* VideoInfo() const;

private:
  // The copy's format pointer points just behind the structure, into the block.
  void PointAtFormat();

  std::vector<BYTE> block_;  // the structure followed by its format block
};

// A video type of `subtype` (four-character code `fourcc`) with a VIDEOINFOHEADER.
WmMediaType MakeVideoType(const GUID& subtype, DWORD fourcc, WORD bitCount, LONG width, LONG height,
                          DWORD bitRate, REFERENCE_TIME timePerFrame, bool compressed);

}  // namespace testbed
