#include "testbed/wmformat/WmCodecs.h"

namespace testbed {

namespace {
constexpr DWORD FourCc(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<BYTE>(a)) | (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
         (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) | (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}

WmCodecFormat Format(const wchar_t* description, const GUID& subtype, DWORD fourcc, LONG width, LONG height,
                     DWORD bitRate, REFERENCE_TIME timePerFrame) {
  return {description, bitRate, MakeVideoType(subtype, fourcc, 24, width, height, bitRate, timePerFrame, true)};
}

std::vector<WmCodec> VideoCodecs() {
  return {
      {L"Windows Media Video 9",
       {Format(L"320x240, 15 fps, 250 Kbps", kWmSubtypeWmv3, FourCc('W', 'M', 'V', '3'), 320, 240, 250000, 666666),
        Format(L"640x480, 30 fps, 1 Mbps", kWmSubtypeWmv3, FourCc('W', 'M', 'V', '3'), 640, 480, 1000000, 333333)}},
      {L"Windows Media Screen",
       {Format(L"Screen 9 (MSS2), 1024x768, 1 fps, 250 Kbps", kWmSubtypeMss2, FourCc('M', 'S', 'S', '2'), 1024, 768,
               250000, 10000000),
        Format(L"Screen 7 (MSS1), 1024x768, 1 fps, 250 Kbps", kWmSubtypeMss1, FourCc('M', 'S', 'S', '1'), 1024, 768,
               250000, 10000000)}},
  };
}
}  // namespace

const std::vector<WmCodec>* CodecsOf(const GUID& majorType) {
  static const std::vector<WmCodec> video = VideoCodecs();
  static const std::vector<WmCodec> audio;
  if (majorType == kWmVideo) return &video;
  if (majorType == kWmAudio) return &audio;
  return nullptr;
}

}  // namespace testbed
