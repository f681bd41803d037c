#include "capture/ScreenProfileWriter.h"

#include "capture/CaptureGuids.h"
#include "framework/MessageBox.h"
#include "framework/Text.h"

#include <amvideo.h>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
using CreateProfileManagerFn = HRESULT(WINAPI*)(IWMProfileManager**);
using CreateWriterFn = HRESULT(WINAPI*)(IUnknown*, IWMWriter**);

constexpr DWORD kScreenBitRate = 500000;
constexpr DWORD kScreenBufferWindowMs = 3000;
constexpr REFERENCE_TIME kOneFramePerSecond = 10000000;
}  // namespace

WindowsMediaRuntime LoadWindowsMediaRuntime() {
  // The module stays loaded: the objects it makes live until the program ends.
  static HMODULE module = LoadLibraryA("wmvcore.dll");
  WindowsMediaRuntime runtime;
  if (!module) return runtime;
  auto createManager = reinterpret_cast<CreateProfileManagerFn>(
      GetProcAddress(module, "WMCreateProfileManager"));
  auto createWriter =
      reinterpret_cast<CreateWriterFn>(GetProcAddress(module, "WMCreateWriter"));
  if (createManager) runtime.createProfileManager = createManager;
  if (createWriter) runtime.createWriter = createWriter;
  return runtime;
}

bool WmMediaTypeBlock::CopyFrom(const WM_MEDIA_TYPE& type) {
  Reset();
  size_t formatSize = type.pbFormat ? type.cbFormat : 0;
  auto* block = static_cast<BYTE*>(std::calloc(1, sizeof(WM_MEDIA_TYPE) + formatSize));
  if (!block) return false;
  type_ = reinterpret_cast<WM_MEDIA_TYPE*>(block);
  *type_ = type;
  type_->pUnk = nullptr;
  type_->cbFormat = static_cast<ULONG>(formatSize);
  type_->pbFormat = formatSize ? block + sizeof(WM_MEDIA_TYPE) : nullptr;
  if (formatSize) std::memcpy(type_->pbFormat, type.pbFormat, formatSize);
  return true;
}

void WmMediaTypeBlock::Reset() {
  std::free(type_);
  type_ = nullptr;
}

bool FindScreenCodec(IWMProfileManager* manager, const GUID& subtype, WmMediaTypeBlock& found) {
  ComPtr<IWMCodecInfo> codecs;
  if (FAILED(manager->QueryInterface(__uuidof(IWMCodecInfo), codecs.OutVoid())) || !codecs) {
    AppMessageBox("Failed to Get the IWMCodecInfo Interface.");
    return false;
  }
  DWORD codecCount = 0;
  if (FAILED(codecs->GetCodecInfoCount(WMMEDIATYPE_VideoType, &codecCount))) return false;
  for (DWORD codec = 0; codec < codecCount; ++codec) {
    DWORD formatCount = 0;
    if (FAILED(codecs->GetCodecFormatCount(WMMEDIATYPE_VideoType, codec, &formatCount))) {
      return false;
    }
    if (formatCount == 0) continue;
    ComPtr<IWMStreamConfig> format;
    if (FAILED(codecs->GetCodecFormat(WMMEDIATYPE_VideoType, codec, 0, format.Out())) || !format) {
      return false;
    }
    ComPtr<IWMMediaProps> props;
    if (FAILED(format.As(props)) || !props) return false;
    DWORD size = 0;
    if (FAILED(props->GetMediaType(nullptr, &size)) || size < sizeof(WM_MEDIA_TYPE)) return false;
    std::vector<BYTE> block(size);
    auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(block.data());
    if (FAILED(props->GetMediaType(type, &size))) return false;
    if (type->subtype == subtype) return found.CopyFrom(*type);
  }
  return false;
}

void ScreenProfileWriter::Init(const WindowsMediaRuntime& runtime, int displayWidth,
                               int displayHeight) {
  if (!runtime.createProfileManager ||
      FAILED(runtime.createProfileManager(profileManager_.Out())) || !profileManager_) {
    profileManager_ = nullptr;
    AppMessageBox("Failed to Create a Profile Manager.");
    return;
  }
  if (!FindScreenCodec(profileManager_.Get(), WMMEDIASUBTYPE_MSS2Type, screenCodecType_) &&
      !FindScreenCodec(profileManager_.Get(), WMMEDIASUBTYPE_MSS1Type, screenCodecType_)) {
    AppMessageBox("Windows Media Screen codec is not available.");
    // Without the codec's media type there is nothing to build the profile from; the writer
    // stays absent and its later calls do nothing.
    return;
  }
  if (FAILED(BuildWriter(runtime, displayWidth, displayHeight))) {
    writer_ = nullptr;
    AppMessageBox("ASF Writer cannot be inited.");
  }
}

HRESULT ScreenProfileWriter::BuildWriter(const WindowsMediaRuntime& runtime, int displayWidth,
                                         int displayHeight) {
  if (!runtime.createWriter) return E_NOTIMPL;
  HRESULT hr = runtime.createWriter(nullptr, writer_.Out());
  if (FAILED(hr) || !writer_) return FAILED(hr) ? hr : E_POINTER;
  hr = BuildProfile(displayWidth, displayHeight);
  if (FAILED(hr)) return hr;
  hr = writer_->SetProfile(profile_.Get());
  if (FAILED(hr)) return hr;
  ComPtr<IWMInputMediaProps> input;
  return writer_->GetInputProps(0, input.Out());
}

HRESULT ScreenProfileWriter::BuildProfile(int displayWidth, int displayHeight) {
  HRESULT hr = profileManager_->CreateEmptyProfile(WMT_VER_9_0, profile_.Out());
  if (FAILED(hr)) return hr;
  ComPtr<IWMStreamConfig> stream;
  hr = profile_->CreateNewStream(WMMEDIATYPE_VideoType, stream.Out());
  if (FAILED(hr)) return hr;
  ComPtr<IWMMediaProps> props;
  hr = stream.As(props);
  if (FAILED(hr)) return hr;
  WM_MEDIA_TYPE* type = screenCodecType_.Get();
  if (type->pbFormat && type->cbFormat >= sizeof(VIDEOINFOHEADER)) {
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
    info->AvgTimePerFrame = kOneFramePerSecond;
    info->dwBitRate = kScreenBitRate;
    info->bmiHeader.biWidth = displayWidth;
    info->bmiHeader.biHeight = displayHeight;
  }
  hr = props->SetMediaType(type);
  if (FAILED(hr)) return hr;
  stream->SetStreamName(L"Screen");
  stream->SetBitrate(kScreenBitRate);
  stream->SetBufferWindow(kScreenBufferWindowMs);
  stream->SetStreamNumber(1);
  return profile_->AddStream(stream.Get());
}

HRESULT ScreenProfileWriter::SetOutputFilename(const std::string& path) {
  if (!writer_) return S_FALSE;
  return writer_->SetOutputFilename(AnsiToWide(path).c_str());
}

HRESULT ScreenProfileWriter::EndWriting() {
  if (!writer_) return S_FALSE;
  return writer_->EndWriting();
}
