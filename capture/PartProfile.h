// The Windows Media profile of a camera recording's part that lacks the picture or the sound: the
// WM ASF Writer's own profile without the streams of the missing kind, so that the part is an
// ordinary Windows Media file of the same settings with one stream fewer.
#pragma once
#include <wmsdkidl.h>

// Copies `profile` (version, name, description and every stream not of `streamType`) into a new
// profile of `manager`; fails when no stream would be left.
HRESULT ProfileWithout(IWMProfileManager* manager, IWMProfile* profile, const GUID& streamType, IWMProfile** copy);
