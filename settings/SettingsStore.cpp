#include "settings/SettingsStore.h"

namespace {
const std::pair<const wchar_t*, int32_t> kDefaults[] = {
    {L"BlobsSpeed", 40},   {L"BlobsSize", 80},          {L"ShowImages", 1},
    {L"SelectCubeMap", 0}, {L"SelectSparksEffect", 0}, {L"SelectFireEffect", 0},
};
}  // namespace

bool SettingsStore::Load(const std::wstring&) {
  Clear();
  for (const auto& [key, value] : kDefaults) values_.emplace_back(key, value);
  return false;
}

bool SettingsStore::Save(const std::wstring&) const { return false; }

int32_t SettingsStore::GetValue(const std::wstring& key) const {
  for (const auto& [k, v] : values_)
    if (k == key) return v;
  return 0;
}

bool SettingsStore::SetValue(const std::wstring& key, int32_t value) {
  for (auto& [k, v] : values_)
    if (k == key) {
      v = value;
      return true;
    }
  return false;
}

std::wstring SettingsStore::GetImage(int index) const {
  if (index < 0 || index >= ImageCount()) return {};
  return images_[index];
}

void SettingsStore::RemoveImage(int index) {
  if (index >= 0 && index < ImageCount()) images_.erase(images_.begin() + index);
}

void SettingsStore::Clear() {
  images_.clear();
  values_.clear();
}

std::wstring GetSettingsPath() { return {}; }
