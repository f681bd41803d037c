// The title overlay filter's class identifier and its configuration interface, shared by the
// filter and by the capture engine that configures it. Every operation returns S_OK on success
// and a failure code (E_POINTER, E_INVALIDARG) for bad arguments.
#pragma once
#include <windows.h>
#include <unknwn.h>

// {E3FB4BFE-8E5C-4AEC-8162-7DA55BE486A1}
constexpr CLSID CLSID_TitleOverlay = {
    0xE3FB4BFE, 0x8E5C, 0x4AEC, {0x81, 0x62, 0x7D, 0xA5, 0x5B, 0xE4, 0x86, 0xA1}};
// {5E5B3386-6F9F-4A47-AC8B-7A302138D7FF}
constexpr IID IID_ITitleOverlayConfig = {
    0x5E5B3386, 0x6F9F, 0x4A47, {0xAC, 0x8B, 0x7A, 0x30, 0x21, 0x38, 0xD7, 0xFF}};

// Display types: the title stands still, or scrolls from right to left and starts again.
enum TitleType { kTitleStill = 1, kTitleScrolling = 2 };

// The slots are fixed: the capture engine calls 3, 7, 9, 11, 13 and 14 by position.
struct ITitleOverlayConfig : public IUnknown {
  // 3: display type, kTitleStill or kTitleScrolling.
  virtual HRESULT STDMETHODCALLTYPE SetTitleType(int type) = 0;
  // 4: the display type set.
  virtual HRESULT STDMETHODCALLTYPE GetTitleType(int* type) = 0;
  // 5: pixels a scrolling title moves left per frame (1 to 64).
  virtual HRESULT STDMETHODCALLTYPE SetScrollStep(int pixels) = 0;
  // 6: the scroll step set.
  virtual HRESULT STDMETHODCALLTYPE GetScrollStep(int* pixels) = 0;
  // 7: the text in the ANSI code page and its length in bytes, without a terminating zero.
  virtual HRESULT STDMETHODCALLTYPE SetTitleText(const char* text, int length) = 0;
  // 8: copies at most size - 1 bytes of the text and a terminating zero into `buffer`
  // (which may be null when size is 0); `length` receives the whole text's length.
  virtual HRESULT STDMETHODCALLTYPE GetTitleText(char* buffer, int size, int* length) = 0;
  // 9: the text colour.
  virtual HRESULT STDMETHODCALLTYPE SetTitleColor(BYTE red, BYTE green, BYTE blue) = 0;
  // 10: the text colour set.
  virtual HRESULT STDMETHODCALLTYPE GetTitleColor(BYTE* red, BYTE* green, BYTE* blue) = 0;
  // 11: top-left corner of the text in picture pixels, from the top-left of the picture.
  virtual HRESULT STDMETHODCALLTYPE SetTitleStartPosition(int x, int y) = 0;
  // 12: the start position set.
  virtual HRESULT STDMETHODCALLTYPE GetTitleStartPosition(int* x, int* y) = 0;
  // 13: the font, passed by value.
  virtual HRESULT STDMETHODCALLTYPE SetTitleFont(LOGFONTA font) = 0;
  // 14: fills a complete LOGFONTA with the font in use.
  virtual HRESULT STDMETHODCALLTYPE GetTitleFont(LOGFONTA* font) = 0;
};
__CRT_UUID_DECL(ITitleOverlayConfig, 0x5E5B3386, 0x6F9F, 0x4A47, 0xAC, 0x8B, 0x7A, 0x30, 0x21, 0x38,
                0xD7, 0xFF)
