#pragma once
#include <windows.h>

#include <string>
#include <string_view>

// Whether the primary display adapter is good enough: judged by its name and by
// whether hardware acceleration was turned down for it. True when the saver may run.
bool CheckSystemRequirements();

// What the registry says about the adapter's "Acceleration.Level" value: 0 is full
// acceleration, each step above it turns acceleration further down.
struct AccelerationSetting {
  enum Kind { KeyUnavailable, Absent, NotDword, Dword } kind = Absent;
  DWORD level = 0;  // for Dword
};

// The platform calls the check makes, so that its rules can be judged on plain data.
class AdapterSource {
public:
  virtual ~AdapterSource() = default;
  // EnumDisplayDevicesW(nullptr, index, device, 0); true only when it returned 1.
  virtual bool EnumDisplayDevice(DWORD index, DISPLAY_DEVICEW& device) = 0;
  // The value under HKEY_LOCAL_MACHINE\<keyPath>.
  virtual AccelerationSetting QueryAccelerationLevel(const std::wstring& keyPath) = 0;
};

bool CheckSystemRequirements(AdapterSource& source);

// The rules on their own. The name rule refuses the first-generation Direct3D 9
// models (and their MX and 440 namesakes of the GeForce2/GeForce4 years), judged by
// the model word that follows the family name, never by a number anywhere in it.
bool IsRejectedAdapterName(std::wstring_view deviceString);
// True when acceleration was turned down or off for the adapter.
bool IsAccelerationReduced(const AccelerationSetting& setting);
// DeviceKey with every character of "\Registry\Machine\" trimmed from both ends.
std::wstring AdapterKeyPath(std::wstring_view deviceKey);
