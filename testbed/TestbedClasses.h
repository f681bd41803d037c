// Class identifiers and names of the testbed's devices; the writer stand-in is registered
// under CLSID_WMAsfWriter itself.
#pragma once
#include <windows.h>

namespace testbed {

// {8E1B6A10-3C1F-4E0B-9A51-2D7C4E61A001} and the two that follow.
constexpr CLSID kFirstCameraClsid = {0x8E1B6A10, 0x3C1F, 0x4E0B, {0x9A, 0x51, 0x2D, 0x7C, 0x4E, 0x61, 0xA0, 0x01}};
constexpr CLSID kSecondCameraClsid = {0x8E1B6A10, 0x3C1F, 0x4E0B, {0x9A, 0x51, 0x2D, 0x7C, 0x4E, 0x61, 0xA0, 0x02}};
constexpr CLSID kMicrophoneClsid = {0x8E1B6A10, 0x3C1F, 0x4E0B, {0x9A, 0x51, 0x2D, 0x7C, 0x4E, 0x61, 0xA0, 0x03}};

constexpr wchar_t kAsfWriterName[] = L"WM ASF Writer";

}  // namespace testbed
