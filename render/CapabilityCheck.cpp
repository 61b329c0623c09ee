#include "render/CapabilityCheck.h"

#include <algorithm>
#include <cwctype>
#include <iterator>
#include <vector>

#include "platform/Handles.h"

namespace {
// The first-generation Direct3D 9 Radeons (8500 to 9800, X300 to X700, and the
// X1000/X1050/X1550 rebrands of those chips): the model word right after the family
// name. A later family that reuses a number names itself first ("HD 8550M",
// "Pro WX 9100", "R7 M440"), so it never stands in that place.
constexpr std::wstring_view kRadeonModels[] = {
    L"9000", L"9100", L"9150", L"8500", L"8550", L"9250", L"9200", L"9700", L"9800", L"9500", L"9550",
    L"9600", L"9650", L"X300", L"X500", L"X550", L"X600", L"X700", L"X1000", L"X1050", L"X1550",
};
// Letters those models carried after the number ("9600XT", "8500LE", "X300SE").
constexpr std::wstring_view kRadeonSuffixes[] = {L"", L"LE", L"SE", L"XT", L"XL", L"PRO", L"DV", L"GT", L"GTO", L"HE"};

constexpr std::wstring_view kKeyPrefixCharacters = L"\\Registry\\Machine\\";

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool HasDigit(std::wstring_view word) { return std::any_of(word.begin(), word.end(), IsDigit); }
bool StartsWith(std::wstring_view text, std::wstring_view start) { return text.substr(0, start.size()) == start; }

// The name's words: runs of letters and digits ("GeForce2 MX/MX 400" gives
// GeForce2, MX, MX, 400).
std::vector<std::wstring> Words(std::wstring_view name) {
  std::vector<std::wstring> words;
  std::wstring word;
  for (wchar_t c : name) {
    if (std::iswalnum(c)) {
      word += c;
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

std::wstring Upper(std::wstring_view text) {
  std::wstring upper(text);
  for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
  return upper;
}

bool IsRadeonModel(std::wstring_view upperWord) {
  for (std::wstring_view model : kRadeonModels)
    if (StartsWith(upperWord, model))
      for (std::wstring_view suffix : kRadeonSuffixes)
        if (upperWord.substr(model.size()) == suffix) return true;
  return false;
}

// "RADEON 9600 XT", "MOBILITY RADEON 9000", "ALL-IN-WONDER RADEON 8500DV",
// "ALL-IN-WONDER 9800", "Radeon X300/X550/X1050 Series": the model numbers that
// follow the family name.
bool IsFirstGenerationRadeon(const std::vector<std::wstring>& upper) {
  for (size_t i = 0; i < upper.size(); ++i) {
    const bool family = upper[i] == L"RADEON" || (upper[i] == L"WONDER" && i >= 2 && upper[i - 1] == L"IN" &&
                                                  upper[i - 2] == L"ALL");
    if (!family) continue;
    size_t j = i + 1;
    if (j < upper.size() && (upper[j] == L"MOBILITY" || upper[j] == L"RADEON")) ++j;
    for (; j < upper.size() && HasDigit(upper[j]); ++j)
      if (IsRadeonModel(upper[j])) return true;
  }
  return false;
}

// The MX line of the GeForce2/GeForce4 years (GeForce2 MX, GeForce4 MX 440,
// Quadro2 MXR, GeForce MX 4000, nForce MX), where MX is a word of its own, and the
// GeForce4 440 Go (and the GeForce4 Ti 4400 beside it). The later GeForce MX110 to
// MX570, 940MX or GTX 680MX carry the letters inside a model word; "440" outside a
// GeForce4 (GeForce GT 440, HD Graphics 4400, RTX A4400) is a later part.
bool IsMxOr440Family(const std::vector<std::wstring>& words, const std::vector<std::wstring>& upper) {
  bool geforce2or4 = false, geforce4 = false;
  for (const std::wstring& word : upper) {
    geforce4 = geforce4 || word == L"GEFORCE4";
    geforce2or4 = geforce2or4 || word == L"GEFORCE4" || word == L"GEFORCE2" || word == L"QUADRO2";
  }
  for (size_t i = 0; i < words.size(); ++i) {
    const std::wstring& word = words[i];
    // As reported: "MX" or "mx", never a mixed-case "Mx".
    if (word == L"MX" || word == L"mx" || word == L"MXR" || word == L"mxr") return true;
    if (geforce2or4 && (StartsWith(word, L"MX") || StartsWith(word, L"mx")) && word.size() > 2 && IsDigit(word[2]))
      return true;  // "GeForce2 MX400"
    if (geforce4 && StartsWith(upper[i], L"440")) return true;
  }
  return false;
}

class PlatformAdapterSource final : public AdapterSource {
public:
  bool EnumDisplayDevice(DWORD index, DISPLAY_DEVICEW& device) override {
    return EnumDisplayDevicesW(nullptr, index, &device, 0) == 1;
  }
  AccelerationSetting QueryAccelerationLevel(const std::wstring& keyPath) override {
    const platform::RegistryKey key = platform::RegistryKey::Open(HKEY_LOCAL_MACHINE, keyPath.c_str());
    if (!key) return {AccelerationSetting::KeyUnavailable};
    DWORD type = 0, data = 0, size = sizeof(data);
    const LSTATUS status = RegQueryValueExW(key.get(), L"Acceleration.Level", nullptr, &type,
                                            reinterpret_cast<BYTE*>(&data), &size);
    if (status == ERROR_FILE_NOT_FOUND) return {AccelerationSetting::Absent};
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(data)) return {AccelerationSetting::NotDword};
    return {AccelerationSetting::Dword, data};
  }
};
}  // namespace

bool IsRejectedAdapterName(std::wstring_view deviceString) {
  const std::vector<std::wstring> words = Words(deviceString);
  std::vector<std::wstring> upper;
  upper.reserve(words.size());
  for (const std::wstring& word : words) upper.push_back(Upper(word));
  return IsFirstGenerationRadeon(upper) || IsMxOr440Family(words, upper);
}

bool IsAccelerationReduced(const AccelerationSetting& setting) {
  return setting.kind == AccelerationSetting::Dword && setting.level > 0;
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
  return !IsAccelerationReduced(source.QueryAccelerationLevel(keyPath));
}

bool CheckSystemRequirements() {
  PlatformAdapterSource source;
  return CheckSystemRequirements(source);
}
