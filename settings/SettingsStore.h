#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// TODO: the settings file.
class SettingsStore {
public:
  bool Load(const std::wstring& path);
  bool Save(const std::wstring& path) const;
  int32_t GetValue(const std::wstring& key) const;
  bool SetValue(const std::wstring& key, int32_t value);

  std::wstring GetImage(int index) const;
  int ImageCount() const { return static_cast<int>(images_.size()); }
  void AddImage(const std::wstring& path) { images_.push_back(path); }
  void RemoveImage(int index);
  void RemoveAllImages() { images_.clear(); }
  void Clear();

private:
  std::vector<std::wstring> images_;
  std::vector<std::pair<std::wstring, int32_t>> values_;
};

std::wstring GetSettingsPath();
