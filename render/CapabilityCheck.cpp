#include "render/CapabilityCheck.h"

#include <cwctype>
#include <iterator>

#include "platform/Handles.h"

namespace {
// Models too weak for the flames; matched on the upper-cased name.
constexpr const wchar_t* kRadeonModels[] = {
    L"9000", L"9100", L"9150", L"8500", L"8550", L"9250", L"9200", L"9700", L"9800", L"9500", L"9550",
    L"9600", L"9650", L"X300", L"X500", L"X550", L"X600", L"X700", L"X1000", L"X1050", L"X1550",
};
// Matched on the name as reported, for any vendor.
constexpr const wchar_t* kOtherModels[] = {L"MX", L"mx", L"440"};

constexpr std::wstring_view kKeyPrefixCharacters = L"\\Registry\\Machine\\";

bool Contains(std::wstring_view text, std::wstring_view part) { return text.find(part) != std::wstring_view::npos; }

class PlatformAdapterSource final : public AdapterSource {
public:
  bool EnumDisplayDevice(DWORD index, DISPLAY_DEVICEW& device) override {
    return EnumDisplayDevicesW(nullptr, index, &device, 0) == 1;
  }
  AccelerationSetting QueryAccelerationLevel(const std::wstring& keyPath) override {
    const platform::RegistryKey key = platform::RegistryKey::Open(HKEY_LOCAL_MACHINE, keyPath.c_str());
    if (!key) return AccelerationSetting::KeyUnavailable;
    DWORD data = 0;
    return key.ReadDword(L"Acceleration.Level", data) ? AccelerationSetting::Present : AccelerationSetting::Absent;
  }
};
}  // namespace

bool IsRejectedAdapterName(std::wstring_view deviceString) {
  std::wstring upper(deviceString);
  for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
  if (Contains(upper, L"RADEON"))
    for (const wchar_t* model : kRadeonModels)
      if (Contains(upper, model)) return true;
  for (const wchar_t* model : kOtherModels)
    if (Contains(deviceString, model)) return true;
  return false;
}

std::wstring AdapterKeyPath(std::wstring_view deviceKey) {
  const size_t first = deviceKey.find_first_not_of(kKeyPrefixCharacters);
  if (first == std::wstring_view::npos) return {};
  const size_t last = deviceKey.find_last_not_of(kKeyPrefixCharacters);
  return std::wstring(deviceKey.substr(first, last - first + 1));
}

bool CheckSystemRequirements(AdapterSource& source) {
  DISPLAY_DEVICEW device;
  for (DWORD index = 0;; ++index) {
    device = DISPLAY_DEVICEW{};
    device.cb = sizeof(device);
    // An adapter that cannot be found is not judged.
    if (!source.EnumDisplayDevice(index, device)) return true;
    device.DeviceName[std::size(device.DeviceName) - 1] = L'\0';
    if (std::wstring_view(device.DeviceName) == L"\\\\.\\DISPLAY1") break;
  }
  device.DeviceString[std::size(device.DeviceString) - 1] = L'\0';
  device.DeviceKey[std::size(device.DeviceKey) - 1] = L'\0';
  const std::wstring keyPath = AdapterKeyPath(device.DeviceKey);
  if (IsRejectedAdapterName(device.DeviceString)) return false;
  // Only the presence of the value counts: acceleration was turned down for this adapter.
  return source.QueryAccelerationLevel(keyPath) != AccelerationSetting::Present;
}

bool CheckSystemRequirements() {
  PlatformAdapterSource source;
  return CheckSystemRequirements(source);
}
