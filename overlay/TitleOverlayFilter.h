// The title overlay: a DirectShow filter with one video input and one video output of the same
// media type that draws a line of text into every frame in place, on the streaming thread, and
// passes the sample on with its times untouched.
#pragma once
#include <string>

#include "dshow/FilterBase.h"
#include "dshow/Pins.h"
#include "overlay/FrameLayout.h"
#include "overlay/TitleBlend.h"
#include "overlay/TitleMask.h"
#include "overlay/TitleOverlayConfig.h"

class TitleOverlayFilter;

class TitleInputPin : public dshow::InputPin {
public:
  explicit TitleInputPin(TitleOverlayFilter* filter);
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

protected:
  bool Accepts(const AM_MEDIA_TYPE& mt) override;
  HRESULT OnReceive(IMediaSample* sample) override;

private:
  TitleOverlayFilter* owner_;
};

class TitleOutputPin : public dshow::OutputPin {
public:
  explicit TitleOutputPin(TitleOverlayFilter* filter);
  using dshow::OutputPin::Receiver;

protected:
  std::vector<dshow::MediaType> OfferedTypes() override;
  bool Accepts(const AM_MEDIA_TYPE& mt) override;
  void DecideBufferSize(ALLOCATOR_PROPERTIES& props) override;
  HRESULT NegotiateAllocator() override;

private:
  TitleOverlayFilter* owner_;
};

class TitleOverlayFilter : public dshow::FilterBase, public ITitleOverlayConfig {
public:
  TitleOverlayFilter();
  DSHOW_IUNKNOWN

  int PinCount() override { return 2; }
  IPin* PinAt(int index) override;

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

  TitleInputPin& Input() { return input_; }
  TitleOutputPin& Output() { return output_; }

protected:
  void* FindInterface(REFIID iid) override;
  HRESULT OnActivate() override;

private:
  TitleInputPin input_;
  TitleOutputPin output_;

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
