#pragma once
#include <windows.h>

#include <string>
#include <string_view>

// Whether the primary display adapter is good enough: judged by its name and by
// whether hardware acceleration was turned down for it. True when the saver may run.
bool CheckSystemRequirements();

// What the registry says about the adapter's "Acceleration.Level" value.
enum class AccelerationSetting { KeyUnavailable, Absent, Present };

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

// The rules on their own.
bool IsRejectedAdapterName(std::wstring_view deviceString);
// DeviceKey with every character of "\Registry\Machine\" trimmed from both ends.
std::wstring AdapterKeyPath(std::wstring_view deviceKey);
