// The codecs the Windows Media Format stand-in describes: video codec 0 is Windows Media Video 9
// (WMV3), video codec 1 the Windows Media Screen codec, whose first format is of sub-type MSS2
// (version 9) and whose second is of sub-type MSS1 (version 7). No audio codecs.
#pragma once
#include "testbed/wmformat/WmMediaType.h"

#include <string>
#include <vector>

namespace testbed {

struct WmCodecFormat {
  std::wstring description;
  DWORD bitRate;
  WmMediaType type;
};

struct WmCodec {
  std::wstring name;
  std::vector<WmCodecFormat> formats;
};

// The codecs of `majorType`, or null for a major type that has no codec list.
const std::vector<WmCodec>* CodecsOf(const GUID& majorType);

}  // namespace testbed
