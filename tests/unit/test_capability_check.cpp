#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "render/CapabilityCheck.h"

namespace {
struct FakeAdapter {
  std::wstring name, string, key;
};

// An enumeration and a registry given as plain data; records what the check asked.
class FakeSource : public AdapterSource {
public:
  std::vector<FakeAdapter> adapters;
  AccelerationSetting setting = AccelerationSetting::Absent;
  std::vector<std::wstring> queriedKeys;
  DWORD lastCb = 0;

  bool EnumDisplayDevice(DWORD index, DISPLAY_DEVICEW& d) override {
    lastCb = d.cb;
    if (index >= adapters.size()) return false;
    wcsncpy(d.DeviceName, adapters[index].name.c_str(), 31);
    wcsncpy(d.DeviceString, adapters[index].string.c_str(), 127);
    wcsncpy(d.DeviceKey, adapters[index].key.c_str(), 127);
    return true;
  }
  AccelerationSetting QueryAccelerationLevel(const std::wstring& keyPath) override {
    queriedKeys.push_back(keyPath);
    return setting;
  }
};

constexpr wchar_t kWineKey[] =
    L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Video\\{1A2B}\\0000";

bool Judge(const std::wstring& adapterName, AccelerationSetting setting = AccelerationSetting::Absent) {
  FakeSource source;
  source.adapters = {{L"\\\\.\\DISPLAY1", adapterName, kWineKey}};
  source.setting = setting;
  return CheckSystemRequirements(source);
}
}  // namespace

TEST(CapabilityCheck, AdapterNames) {
  EXPECT_TRUE(Judge(L"ATI RADEON X1300"));
  EXPECT_TRUE(Judge(L"NVIDIA GeForce GTX 470"));
  EXPECT_TRUE(Judge(L"Matrox 9000"));  // "9000" only counts for a RADEON
  EXPECT_FALSE(Judge(L"RADEON 9600 XT"));
  EXPECT_FALSE(Judge(L"RADEON X300 SE"));
  EXPECT_FALSE(Judge(L"MOBILITY RADEON 9000"));
  EXPECT_FALSE(Judge(L"Radeon x700"));  // judged upper-cased
  EXPECT_FALSE(Judge(L"ATI Radeon X1550 Series"));
  EXPECT_FALSE(Judge(L"GeForce4 MX 440"));
  EXPECT_FALSE(Judge(L"GeForce4 Ti 4400"));  // "440" anywhere
  EXPECT_FALSE(Judge(L"nforce mx"));
  EXPECT_TRUE(Judge(L"GeForce Mx"));  // neither "MX" nor "mx" as reported
}

TEST(CapabilityCheck, OnlyDisplay1IsJudged) {
  FakeSource source;
  source.adapters = {{L"\\\\.\\DISPLAY2", L"RADEON 9600", kWineKey}, {L"\\\\.\\display1", L"RADEON 9600", kWineKey}};
  EXPECT_TRUE(CheckSystemRequirements(source));  // exact, case-sensitive match only
  EXPECT_EQ(source.lastCb, 840u);
  EXPECT_TRUE(source.queriedKeys.empty());

  source.adapters.push_back({L"\\\\.\\DISPLAY1", L"RADEON 9600", kWineKey});
  EXPECT_FALSE(CheckSystemRequirements(source));

  FakeSource none;
  EXPECT_TRUE(CheckSystemRequirements(none));
}

TEST(CapabilityCheck, AccelerationLevelPresenceRejects) {
  EXPECT_TRUE(Judge(L"Wine Adapter", AccelerationSetting::Absent));
  EXPECT_TRUE(Judge(L"Wine Adapter", AccelerationSetting::KeyUnavailable));
  EXPECT_FALSE(Judge(L"Wine Adapter", AccelerationSetting::Present));  // whatever its data, 0 included

  FakeSource source;
  source.adapters = {{L"\\\\.\\DISPLAY1", L"Wine Adapter", kWineKey}};
  CheckSystemRequirements(source);
  ASSERT_EQ(source.queriedKeys.size(), 1u);
  EXPECT_EQ(source.queriedKeys[0], L"System\\CurrentControlSet\\Control\\Video\\{1A2B}\\0000");
}

TEST(CapabilityCheck, KeyPathIsTrimmedByCharacterSet) {
  EXPECT_EQ(AdapterKeyPath(kWineKey), L"System\\CurrentControlSet\\Control\\Video\\{1A2B}\\0000");
  // Not a prefix removal: any of the characters goes, at both ends.
  EXPECT_EQ(AdapterKeyPath(L"\\Registry\\Machine\\Software\\Video\\Registry"), L"Software\\Video");
  EXPECT_EQ(AdapterKeyPath(L"Machine\\hardware\\X"), L"dware\\X");  // h, a, r are in the set
  EXPECT_EQ(AdapterKeyPath(L"\\Registry\\Machine\\"), L"");
  EXPECT_EQ(AdapterKeyPath(L""), L"");
}

// The real enumeration under Wine: one "Wine Adapter" whose key has no acceleration value.
TEST(CapabilityCheck, PassesOnThisMachine) { EXPECT_TRUE(CheckSystemRequirements()); }
