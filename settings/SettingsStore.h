#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The user's choices: the picture list and six integer options (and optional ones
// after them, written only when set), kept in a text
// file ("#Picture Info _ begin" ... "#Picture Info _ end", then "Key value" lines)
// beside the saver or in the user's profile (SettingsLocation.h).
// What Load found. A file that exists but cannot be read (locked by another
// program, a folder, over the size limit) is not a missing one: its choices are
// still the user's, so nothing may save over it.
enum class SettingsRead { Read, Missing, Unreadable };

class SettingsStore {
public:
  // Empties the store, stores the six defaults, then reads the file over them.
  // The defaults stand when the file is missing or unreadable.
  SettingsRead Load(const std::wstring& path);
  // Writes the whole store beside the old file and swaps it in with one rename,
  // so an interrupted save leaves the previous file intact. False when nothing
  // could be written; the file is never rewritten where it stands.
  bool Save(const std::wstring& path) const;

  // The same as Load/Save without the file: the parser and the writer.
  void LoadFromText(std::string_view bytes);
  std::string ToText() const;

  int32_t GetValue(const std::wstring& key) const;
  bool SetValue(const std::wstring& key, int32_t value);

  std::wstring GetImage(int index) const;
  int ImageCount() const { return static_cast<int>(images_.size()); }
  void AddImage(const std::wstring& path) { images_.push_back(path); }
  void RemoveImage(int index);
  void RemoveAllImages() { images_.clear(); }
  void Clear();

  const std::vector<std::pair<std::wstring, int32_t>>& Values() const { return values_; }

private:
  void StoreDefaults();
  void ApplyValueLine(std::wstring_view line);

  std::vector<std::wstring> images_;
  std::vector<std::pair<std::wstring, int32_t>> values_;
};

// Set to 1: only the main monitor shows the scene, the others stay black. Any other
// value means every monitor.
inline constexpr const wchar_t* kMainMonitorOnlyKey = L"MainMonitorOnly";

// The settings file for the executable named by the first command-line argument:
// that text trimmed, unquoted, less its last three characters, plus "scr.settings".
std::wstring SettingsPathFromProgram(std::wstring program);

// Runtime-style text to integer: leading white space, optional sign, decimal
// digits up to the first other character, 0 without digits, clamped on overflow.
int32_t ParseSettingsInteger(std::wstring_view text);
