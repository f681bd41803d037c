// The Windows Media profile objects prepared at start-up: the profile manager, the Windows Media
// Screen codec's media type, a screen-video profile and a writer given the screen file's name.
#pragma once
#include "framework/Handles.h"

#include <wmsdkidl.h>
#include <functional>
#include <string>

// The two entry points of wmvcore.dll, bound at run time; empty when the runtime is missing.
struct WindowsMediaRuntime {
  std::function<HRESULT(IWMProfileManager**)> createProfileManager;
  std::function<HRESULT(IUnknown* certificate, IWMWriter**)> createWriter;
};

// Loads wmvcore.dll once and binds WMCreateProfileManager and WMCreateWriter.
WindowsMediaRuntime LoadWindowsMediaRuntime();

// A copy of a WM_MEDIA_TYPE in one block: the structure, then its format block.
class WmMediaTypeBlock {
public:
  WmMediaTypeBlock() = default;
  ~WmMediaTypeBlock() { Reset(); }
  WmMediaTypeBlock(const WmMediaTypeBlock&) = delete;
  WmMediaTypeBlock& operator=(const WmMediaTypeBlock&) = delete;

  // Copies `type` with its format block; false when the memory cannot be had.
  bool CopyFrom(const WM_MEDIA_TYPE& type);
  WM_MEDIA_TYPE* Get() const { return type_; }
  void Reset();

private:
  WM_MEDIA_TYPE* type_ = nullptr;
};

// Looks for the first video codec whose first format has `subtype`; copies its media type.
// Shows "Failed to Get the IWMCodecInfo Interface." when the manager has no codec information.
bool FindScreenCodec(IWMProfileManager* manager, const GUID& subtype, WmMediaTypeBlock& found);

class ScreenProfileWriter {
public:
  // The start-up sequence: profile manager, MSS2-then-MSS1 codec search, profile and writer.
  void Init(const WindowsMediaRuntime& runtime, int displayWidth, int displayHeight);

  // Give the writer the screen file; nothing happens when no writer could be prepared.
  HRESULT SetOutputFilename(const std::string& path);
  HRESULT EndWriting();

  bool HasWriter() const { return static_cast<bool>(writer_); }
  IWMProfileManager* ProfileManager() const { return profileManager_.Get(); }
  const WM_MEDIA_TYPE* ScreenCodecType() const { return screenCodecType_.Get(); }
  IWMProfile* Profile() const { return profile_.Get(); }

private:
  HRESULT BuildProfile(int displayWidth, int displayHeight);
  HRESULT BuildWriter(const WindowsMediaRuntime& runtime, int displayWidth, int displayHeight);

  ComPtr<IWMProfileManager> profileManager_;
  WmMediaTypeBlock screenCodecType_;
  ComPtr<IWMProfile> profile_;
  ComPtr<IWMWriter> writer_;
};
