// The title overlay: a pass-through DirectShow filter with one video input and one video output
// of the same media type that draws a line of text into every frame in place, on the streaming
// thread, and passes the sample on with its times untouched.
#pragma once
#include <string>

#include "dshow/PassThrough.h"
#include "overlay/FrameLayout.h"
#include "overlay/TitleBlend.h"
#include "overlay/TitleMask.h"
#include "overlay/TitleOverlayConfig.h"

class TitleOverlayFilter : public dshow::PassThroughFilter, public ITitleOverlayConfig {
public:
  TitleOverlayFilter();
  DSHOW_IUNKNOWN

  // The stream: video frames of a layout the overlay can draw on, passed on in place.
  bool AcceptsInput(const AM_MEDIA_TYPE& mt) override;
  bool SameStream(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& mt) override;
  void Process(IMediaSample* sample) override;
  void DecideOwnBuffers(ALLOCATOR_PROPERTIES& props) override;

  // ITitleOverlayConfig
  STDMETHODIMP SetTitleType(int type) override;
  STDMETHODIMP GetTitleType(int* type) override;
  STDMETHODIMP SetScrollStep(int pixels) override;
  STDMETHODIMP GetScrollStep(int* pixels) override;
  STDMETHODIMP SetTitleText(const char* text, int length) override;
  STDMETHODIMP GetTitleText(char* buffer, int size, int* length) override;
  STDMETHODIMP SetTitleColor(BYTE red, BYTE green, BYTE blue) override;
  STDMETHODIMP GetTitleColor(BYTE* red, BYTE* green, BYTE* blue) override;
  STDMETHODIMP SetTitleStartPosition(int x, int y) override;
  STDMETHODIMP GetTitleStartPosition(int* x, int* y) override;
  STDMETHODIMP SetTitleFont(LOGFONTA font) override;
  STDMETHODIMP GetTitleFont(LOGFONTA* font) override;

  // Draws the title into one frame of the given layout and moves a scrolling title on by its
  // step; the frame buffer holds `size` bytes. Called for every sample that passes.
  void DrawFrame(BYTE* frame, size_t size, const FrameLayout& layout);

protected:
  void* FindInterface(REFIID iid) override;
  HRESULT OnActivate() override;

private:
  // Settings are changed on the application's thread and read on the streaming thread.
  dshow::CriticalSection configLock_;
  int type_ = kTitleStill;
  int scrollStep_;
  std::string text_;
  TitleRgb colour_{255, 255, 255};
  int x_ = 10;
  int y_ = 10;
  LOGFONTA font_;
  // The text drawn with GDI, made again only when text or font change.
  TitleMask mask_;
  bool maskStale_ = true;
  // How far a scrolling title has moved left of the picture's right edge.
  int scrolled_ = 0;
};

// Limits of the configuration.
constexpr int kMaxTitleTextBytes = 4096;
constexpr int kMaxTitleFontHeight = 1000;
constexpr int kMaxScrollStep = 64;
constexpr int kDefaultScrollStep = 4;
