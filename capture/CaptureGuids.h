// Class and type identifiers the engine needs that mingw-w64's headers do not declare.
#pragma once
#include <windows.h>

extern const CLSID CLSID_SampleGrabberFilter;   // qedit.dll's sample grabber
extern const CLSID CLSID_NullRendererFilter;    // qedit.dll's null renderer
extern const CLSID CLSID_WMAsfWriterFilter;     // the WM ASF Writer
extern const GUID WMMEDIATYPE_VideoType;        // Windows Media major type "vids"
extern const GUID WMMEDIATYPE_AudioType;        // Windows Media major type "auds"
extern const GUID WMMEDIASUBTYPE_MSS1Type;      // Windows Media Screen, version 7
extern const GUID WMMEDIASUBTYPE_MSS2Type;      // Windows Media Screen, version 9
extern const GUID KSCATEGORY_CAPTURE_Class;     // device interface class of capture devices
