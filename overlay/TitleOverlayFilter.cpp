#include "overlay/TitleOverlayFilter.h"

#include <uuids.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

using dshow::AutoLock;
using dshow::MediaType;

namespace {
// The font a new filter draws with: bold, smoothed, in the Chinese character set so that GDI
// picks a face with the GB2312 glyphs.
LOGFONTA DefaultFont() {
  LOGFONTA font{};
  font.lfHeight = 32;
  font.lfWeight = FW_BOLD;
  font.lfCharSet = GB2312_CHARSET;
  font.lfOutPrecision = OUT_TT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = ANTIALIASED_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  std::strcpy(font.lfFaceName, "SimSun");
  return font;
}

bool SameLayout(const FrameLayout& a, const FrameLayout& b) {
  return a.pixels == b.pixels && a.width == b.width && a.height == b.height && a.stride == b.stride &&
         a.bottomUp == b.bottomUp;
}
}  // namespace

// ---- Stream -----------------------------------------------------------------------------

bool TitleOverlayFilter::AcceptsInput(const AM_MEDIA_TYPE& mt) {
  FrameLayout layout;
  return FrameLayoutOf(mt, &layout);
}

bool TitleOverlayFilter::SameStream(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& mt) {
  // Only the input's own type passes: the overlay changes nothing of it.
  FrameLayout mine, theirs;
  return mt.subtype == in.subtype && FrameLayoutOf(in, &mine) && FrameLayoutOf(mt, &theirs) &&
         SameLayout(mine, theirs);
}

void TitleOverlayFilter::Process(IMediaSample* sample) {
  if (!Output().Receiver()) return;
  // A sample may announce a new type; the title is drawn only on a type the overlay knows.
  FrameLayout layout;
  bool drawable = FrameLayoutOf(Input().ConnectedType().Get(), &layout);
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed) {
    drawable = FrameLayoutOf(*changed, &layout);
    dshow::DeleteMediaTypeCopy(changed);
  }
  BYTE* data = nullptr;
  long size = sample->GetActualDataLength();
  if (drawable && SUCCEEDED(sample->GetPointer(&data)) && data && size > 0)
    DrawFrame(data, static_cast<size_t>(std::min(size, sample->GetSize())), layout);
}

void TitleOverlayFilter::DecideOwnBuffers(ALLOCATOR_PROPERTIES& props) {
  FrameLayout layout;
  if (FrameLayoutOf(Output().ConnectedType().Get(), &layout))
    props.cbBuffer = std::max<long>(props.cbBuffer, static_cast<long>(layout.Bytes()));
  if (props.cBuffers < 1) props.cBuffers = 1;
}

// ---- Filter ------------------------------------------------------------------------------

TitleOverlayFilter::TitleOverlayFilter()
    : PassThroughFilter(CLSID_TitleOverlay, L"In", L"Out"), scrollStep_(kDefaultScrollStep), font_(DefaultFont()) {}

void* TitleOverlayFilter::FindInterface(REFIID iid) {
  if (iid == IID_ITitleOverlayConfig) return static_cast<ITitleOverlayConfig*>(this);
  return FilterBase::FindInterface(iid);
}

HRESULT TitleOverlayFilter::OnActivate() {
  AutoLock lock(configLock_);
  scrolled_ = 0;
  return S_OK;
}

STDMETHODIMP TitleOverlayFilter::SetTitleType(int type) {
  if (type != kTitleStill && type != kTitleScrolling) return E_INVALIDARG;
  AutoLock lock(configLock_);
  type_ = type;
  scrolled_ = 0;
  return S_OK;
}

STDMETHODIMP TitleOverlayFilter::GetTitleType(int* type) {
  if (!type) return E_POINTER;
  AutoLock lock(configLock_);
  *type = type_;
  return S_OK;
}

STDMETHODIMP TitleOverlayFilter::SetScrollStep(int pixels) {
  if (pixels < 1 || pixels > kMaxScrollStep) return E_INVALIDARG;
  AutoLock lock(configLock_);
  scrollStep_ = pixels;
  return S_OK;
}

STDMETHODIMP TitleOverlayFilter::GetScrollStep(int* pixels) {
  if (!pixels) return E_POINTER;
  AutoLock lock(configLock_);
  *pixels = scrollStep_;
  return S_OK;
}

STDMETHODIMP TitleOverlayFilter::SetTitleText(const char* text, int length) {
  if (length < 0 || length > kMaxTitleTextBytes) return E_INVALIDARG;
  if (!text && length > 0) return E_POINTER;
  AutoLock lock(configLock_);
  text_.assign(text ? text : "", static_cast<size_t>(length));
  // GDI stops at a zero byte; the title is the text before it.
  text_.resize(std::strlen(text_.c_str()));
  maskStale_ = true;
  scrolled_ = 0;
  return S_OK;
}

STDMETHODIMP TitleOverlayFilter::GetTitleText(char* buffer, int size, int* length) {
  if (!length) return E_POINTER;
  if (size < 0) return E_INVALIDARG;
  if (size > 0 && !buffer) return E_POINTER;
  AutoLock lock(configLock_);
  *length = static_cast<int>(text_.size());
  if (size > 0) {
    size_t copied = std::min(text_.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text_.data(), copied);
    buffer[copied] = 0;
  }
  return S_OK;
}

STDMETHODIMP TitleOverlayFilter::SetTitleColor(BYTE red, BYTE green, BYTE blue) {
  AutoLock lock(configLock_);
  colour_ = {red, green, blue};
  return S_OK;
}

STDMETHODIMP TitleOverlayFilter::GetTitleColor(BYTE* red, BYTE* green, BYTE* blue) {
  if (!red || !green || !blue) return E_POINTER;
  AutoLock lock(configLock_);
  *red = colour_.red;
  *green = colour_.green;
  *blue = colour_.blue;
  return S_OK;
}

STDMETHODIMP TitleOverlayFilter::SetTitleStartPosition(int x, int y) {
  // Any position is taken: what falls outside the picture is clipped.
  AutoLock lock(configLock_);
  x_ = x;
  y_ = y;
  return S_OK;
}

STDMETHODIMP TitleOverlayFilter::GetTitleStartPosition(int* x, int* y) {
  if (!x || !y) return E_POINTER;
  AutoLock lock(configLock_);
  *x = x_;
  *y = y_;
  return S_OK;
}

STDMETHODIMP TitleOverlayFilter::SetTitleFont(LOGFONTA font) {
  if (std::labs(font.lfHeight) > kMaxTitleFontHeight || font.lfWidth < 0 ||
      font.lfWidth > kMaxTitleFontHeight || !std::memchr(font.lfFaceName, 0, LF_FACESIZE))
    return E_INVALIDARG;
  AutoLock lock(configLock_);
  font_ = font;
  maskStale_ = true;
  return S_OK;
}

STDMETHODIMP TitleOverlayFilter::GetTitleFont(LOGFONTA* font) {
  if (!font) return E_POINTER;
  AutoLock lock(configLock_);
  *font = font_;
  return S_OK;
}

void TitleOverlayFilter::DrawFrame(BYTE* frame, size_t size, const FrameLayout& layout) {
  AutoLock lock(configLock_);
  if (maskStale_) {
    mask_ = RenderTitleMask(text_, font_);
    maskStale_ = false;
  }
  if (mask_.Empty()) return;
  int x = x_;
  if (type_ == kTitleScrolling) {
    // Enters at the right edge, moves left by the step each frame, and starts again once its
    // last column has left the picture.
    if (static_cast<long long>(layout.width) - scrolled_ + mask_.width <= 0) scrolled_ = 0;
    x = layout.width - scrolled_;
    scrolled_ += scrollStep_;
  }
  BlendTitle(frame, size, layout, mask_, x, y_, colour_);
}
