// IConfigAsfWriter, the WM ASF Writer's profile interface (dshowasf.h, which mingw-w64 lacks):
// the profile decides the writer's input pins and the streams of the file it writes. Lumora uses
// it to record a part without the picture or without the sound; the testbed's writer offers it.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <wmsdkidl.h>

// {45086030-F7E4-486A-B504-826BB5792A3B}
MIDL_INTERFACE("45086030-F7E4-486A-B504-826BB5792A3B")
IConfigAsfWriter : public IUnknown {
  // Windows Media Format 4.0 profile ids and system profile GUIDs (deprecated ways).
  virtual HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfileId(DWORD profileId) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentProfileId(DWORD* profileId) = 0;
  virtual HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfileGuid(REFGUID profile) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentProfileGuid(GUID* profile) = 0;
  // The writer takes the profile's streams as its inputs; it must be stopped.
  virtual HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfile(IWMProfile* profile) = 0;
  // The profile the writer uses now; the caller releases it.
  virtual HRESULT STDMETHODCALLTYPE GetCurrentProfile(IWMProfile** profile) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIndexMode(BOOL indexFile) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIndexMode(BOOL* indexFile) = 0;
};
__CRT_UUID_DECL(IConfigAsfWriter, 0x45086030, 0xf7e4, 0x486a, 0xb5, 0x04, 0x82, 0x6b, 0xb5, 0x79, 0x2a, 0x3b)

constexpr IID IID_IConfigAsfWriter = {0x45086030, 0xf7e4, 0x486a, {0xb5, 0x04, 0x82, 0x6b, 0xb5, 0x79, 0x2a, 0x3b}};
