#include "capture/FrameGrabber.h"

#include "capture/CaptureMessages.h"
#include "capture/ErrorBox.h"

#include <new>

std::atomic<int> SnapshotRequested{0};
int DisplayColourDepth = 0;
SampleGrabberCallback GrabberCallback;

HRESULT SampleGrabberCallback::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_ISampleGrabberCB || iid == IID_IUnknown) {
    *out = static_cast<ISampleGrabberCB*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT SampleGrabberCallback::SampleCB(double, IMediaSample*) { return S_OK; }

HRESULT SampleGrabberCallback::BufferCB(double sampleTime, BYTE* buffer, LONG length) {
  if (!SnapshotRequested) return S_OK;
  if (!buffer) return E_POINTER;
  if (length < 0) return E_INVALIDARG;
  FrameCopyPtr frame = frames_.Blank();
  if (!frame) return E_OUTOFMEMORY;
  try {
    frame->bytes.assign(buffer, buffer + length);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  frame->sampleTime = sampleTime;
  frames_.Publish(std::move(frame));
  PostMessageA(owner, WM_FRAMEREADY, 0, 0);
  return S_OK;
}

bool RgbSubtypeForDepth(int bitsPerPixel, GUID* subtype) {
  switch (bitsPerPixel) {
    case 8: *subtype = MEDIASUBTYPE_RGB8; return true;
    case 16: *subtype = MEDIASUBTYPE_RGB555; return true;
    case 24: *subtype = MEDIASUBTYPE_RGB24; return true;
    case 32: *subtype = MEDIASUBTYPE_RGB32; return true;
    default: return false;
  }
}

int ScreenBitsPerPixel() {
  WindowDC screen(nullptr);
  return screen.Get() ? GetDeviceCaps(screen.Get(), BITSPIXEL) : 0;
}

HRESULT SetGrabberMediaType(ISampleGrabber* grabber, int bitsPerPixel) {
  DisplayColourDepth = bitsPerPixel;
  AM_MEDIA_TYPE type{};
  type.majortype = MEDIATYPE_Video;
  if (!RgbSubtypeForDepth(bitsPerPixel, &type.subtype)) return E_FAIL;
  HRESULT hr = grabber->SetMediaType(&type);
  if (FAILED(hr)) {
    ErrorBox("设置媒体类型失败！");
    return hr;
  }
  return 1;
}

void FreeMediaTypeContents(AM_MEDIA_TYPE& type) {
  if (type.cbFormat && type.pbFormat) CoTaskMemFree(type.pbFormat);
  type.cbFormat = 0;
  type.pbFormat = nullptr;
  if (type.pUnk) {
    type.pUnk->Release();
    type.pUnk = nullptr;
  }
}

void DeleteMediaTypeBlock(AM_MEDIA_TYPE* type) {
  if (!type) return;
  FreeMediaTypeContents(*type);
  CoTaskMemFree(type);
}

HRESULT ConfigureGrabberCallback(ISampleGrabber* grabber, HWND owner) {
  AM_MEDIA_TYPE connected{};
  HRESULT hr = grabber->GetConnectedMediaType(&connected);
  if (FAILED(hr)) {
    ErrorBox("无法读取已连接的媒体类型！");
    return hr;
  }
  if (connected.formattype == FORMAT_VideoInfo && connected.pbFormat &&
      connected.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(connected.pbFormat);
    GrabberCallback.frameWidth = info->bmiHeader.biWidth;
    GrabberCallback.frameHeight = info->bmiHeader.biHeight;
  }
  GrabberCallback.owner = owner;
  FreeMediaTypeContents(connected);
  grabber->SetBufferSamples(FALSE);
  grabber->SetOneShot(FALSE);
  return grabber->SetCallback(&GrabberCallback, 1);
}
