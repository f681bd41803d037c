// Configuration of the outside title overlay filter, which burns a line of text into the video.
#pragma once
#include "app/Settings.h"

#include <dshow.h>
#include <string>

extern const CLSID CLSID_TitleOverlay;
extern const IID IID_ITitleOverlayConfig;

// The filter's configuration interface. The operations Lumora does not use keep their slots.
struct ITitleOverlayConfig : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetTitleType(int type) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused4() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused5() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused6() = 0;
  // The text in the ANSI code page and its length in bytes, without a terminating zero.
  virtual HRESULT STDMETHODCALLTYPE SetTitleText(const char* text, int length) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused8() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTitleColor(BYTE red, BYTE green, BYTE blue) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused10() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTitleStartPosition(int x, int y) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused12() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTitleFont(LOGFONTA font) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTitleFont(LOGFONTA* font) = 0;
};
__CRT_UUID_DECL(ITitleOverlayConfig, 0x5E5B3386, 0x6F9F, 0x4A47, 0xAC, 0x8B, 0x7A, 0x30, 0x21, 0x38,
                0xD7, 0xFF)

struct TitleColour {
  BYTE red, green, blue;
};

// Start position of the title for an OverlayPos name in a preview area of the given size.
POINT TitleStartPosition(const std::string& position, int width, int height);
// Colour of the title for an OverlayFontColor name; white for unknown names.
TitleColour TitleColourNamed(const std::string& name);

// Passes type, text, position, font size and colour to the filter, in that order, stopping
// at the first refusal with its message; true when every step was accepted.
bool ConfigureTitleOverlay(IBaseFilter* overlay, const Settings& settings, SIZE previewArea);
