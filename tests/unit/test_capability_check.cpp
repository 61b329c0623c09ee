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
  AccelerationSetting setting;
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

bool Judge(const std::wstring& adapterName, AccelerationSetting setting = {}) {
  FakeSource source;
  source.adapters = {{L"\\\\.\\DISPLAY1", adapterName, kWineKey}};
  source.setting = setting;
  return CheckSystemRequirements(source);
}
}  // namespace

// Names as Windows reports them. Refused: the first-generation Direct3D 9 models and
// the MX / 440 parts of the GeForce2 and GeForce4 years. Passed: later parts that
// reuse their numbers or letters.
TEST(CapabilityCheck, AdapterNames) {
  for (const wchar_t* refused :
       {L"RADEON 9600 XT", L"RADEON X300 SE", L"MOBILITY RADEON 9000", L"Radeon x700", L"ATI Radeon X1550 Series",
        L"ATI RADEON 9800 PRO", L"RADEON 9600XT", L"ALL-IN-WONDER RADEON 8500DV", L"ALL-IN-WONDER 9800",
        L"ATI MOBILITY RADEON X700", L"Radeon X300/X550/X1050 Series", L"RADEON 9100 IGP",
        L"NVIDIA GeForce4 MX 440", L"NVIDIA GeForce4 MX 440 with AGP8X", L"NVIDIA GeForce2 MX/MX 400",
        L"NVIDIA GeForce2 MX400", L"NVIDIA Quadro2 MXR/EX", L"NVIDIA GeForce MX 4000", L"NVIDIA GeForce4 440 Go",
        L"GeForce4 Ti 4400", L"nforce mx", L"S3 Savage/MX"})
    EXPECT_FALSE(Judge(refused)) << refused;
  for (const wchar_t* passed :
       {L"ATI RADEON X1300", L"NVIDIA GeForce GTX 470", L"Matrox 9000", L"GeForce Mx", L"NVIDIA GeForce MX110",
        L"NVIDIA GeForce MX150", L"NVIDIA GeForce MX450", L"NVIDIA GeForce MX570 A", L"NVIDIA GeForce 920MX",
        L"NVIDIA GeForce 940MX", L"NVIDIA GeForce GTX 670MX", L"NVIDIA GeForce GTX 680MX", L"NVIDIA GeForce GT 440",
        L"Intel(R) HD Graphics 4400", L"NVIDIA RTX A4400", L"AMD Radeon R7 M440", L"AMD Radeon HD 8550M",
        L"AMD Radeon HD 8550G", L"AMD Radeon HD 8550D", L"AMD Radeon HD 8550", L"AMD Radeon Pro WX 9100",
        L"AMD Radeon RX 9070 XT", L"AMD Radeon(TM) R5 Graphics", L"NVIDIA GeForce4 448 Go"})
    EXPECT_TRUE(Judge(passed)) << passed;
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

// 0 is full acceleration; above it acceleration was turned down or off.
TEST(CapabilityCheck, AccelerationLevelAboveZeroRejects) {
  using A = AccelerationSetting;
  EXPECT_TRUE(Judge(L"Wine Adapter", {A::Absent}));
  EXPECT_TRUE(Judge(L"Wine Adapter", {A::KeyUnavailable}));
  EXPECT_TRUE(Judge(L"Wine Adapter", {A::Dword, 0}));
  EXPECT_TRUE(Judge(L"Wine Adapter", {A::NotDword}));  // a value of another type refuses nothing
  EXPECT_FALSE(Judge(L"Wine Adapter", {A::Dword, 1}));
  EXPECT_FALSE(Judge(L"Wine Adapter", {A::Dword, 5}));

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
