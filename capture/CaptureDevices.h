// The video and audio capture devices: ten moniker slots of each kind and the current pair.
#pragma once
#include "framework/Handles.h"

#include <dshow.h>
#include <string>
#include <vector>

enum class DeviceKind { Video, Audio };

constexpr int kDeviceSlotCount = 10;

// The devices of one kind as the last enumeration found them. A device whose name cannot be
// read keeps its position as an empty slot, so positions match the enumeration order.
struct DeviceSlots {
  ComPtr<IMoniker> slots[kDeviceSlotCount];
  int count = 0;
  ComPtr<IMoniker> current;

  void Clear();
  // True when some slot holds a moniker equal to `moniker`.
  bool Contains(IMoniker* moniker) const;
  // The slot at `index`, or null when it is out of range or empty.
  ComPtr<IMoniker> At(int index) const;
};

const GUID& DeviceCategory(DeviceKind kind);

// IMoniker::IsEqual answering S_OK; false when either is null.
bool MonikersEqual(IMoniker* a, IMoniker* b);

// Reads the device's "FriendlyName"; false when the property bag or the name cannot be had.
bool ReadFriendlyName(IMoniker* moniker, std::string* name);

// What tells a device again when it comes back: its moniker, its device-interface path (cameras
// with a driver of their own give one; "" otherwise) and its name.
struct DeviceIdentity {
  ComPtr<IMoniker> moniker;
  std::string path;
  std::string name;
};
DeviceIdentity ReadDeviceIdentity(IMoniker* moniker);
// The same moniker, else the same device path (a device plugged into the same port), else the
// same name (the path changes with the port it is plugged into).
bool SameDevice(const DeviceIdentity& device, IMoniker* candidate);
// Device-interface paths compare without regard to case, as Windows treats them.
bool SameDevicePath(const std::string& a, const std::string& b);

// Refills `devices` (current moniker untouched) with the first ten monikers of the category.
void EnumerateDeviceSlots(ICreateDevEnum* enumerator, DeviceKind kind, DeviceSlots& devices);

// Names of the devices of the category whose name can be read, in enumeration order.
std::vector<std::string> ReadableDeviceNames(ICreateDevEnum* enumerator, DeviceKind kind);

// The class enumerator of the category, reset, or null when the category is empty or missing.
ComPtr<IEnumMoniker> CategoryMonikers(ICreateDevEnum* enumerator, DeviceKind kind);
