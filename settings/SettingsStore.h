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

// The user's integer choices, one typed field each, at their defaults.
struct SettingsValues {
  int32_t blobsSpeed = 40;
  int32_t blobsSize = 80;
  int32_t showImages = 1;
  int32_t selectCubeMap = 0;
  int32_t selectSparksEffect = 0;
  int32_t selectFireEffect = 0;
  // Set to 1: only the main monitor shows the scene, the others stay black. Read as
  // 0 from any other value.
  int32_t mainMonitorOnly = 0;
  // Set to 1: each picture whole inside the screen, the bars a blurred copy of it;
  // otherwise it fills the screen, what overhangs cut off.
  int32_t showWholePictures = 0;
  // Set to 1: the pictures in a random order, each once a round.
  int32_t shufflePictures = 0;
};

// One line of the file per field, in the file's order: the only place a key is
// written. A switch is written only when on (1), so the file of a user who never
// touched it stays as it was; older versions skip it as unknown.
// The range is what the dialog offers; the file may hold any value, which is read and
// written back as it is (the scene makes do with what is outside).
struct SettingsField {
  const wchar_t* key;
  int32_t SettingsValues::*member;
  bool optionalSwitch;
  int32_t low, high;
};
inline constexpr SettingsField kSettingsFields[] = {
    {L"BlobsSpeed", &SettingsValues::blobsSpeed, false, 1, 100},
    {L"BlobsSize", &SettingsValues::blobsSize, false, 1, 100},
    {L"ShowImages", &SettingsValues::showImages, false, 0, 1},
    {L"SelectCubeMap", &SettingsValues::selectCubeMap, false, 0, 3},
    {L"SelectSparksEffect", &SettingsValues::selectSparksEffect, false, 0, 3},
    {L"SelectFireEffect", &SettingsValues::selectFireEffect, false, 0, 2},
    {L"MainMonitorOnly", &SettingsValues::mainMonitorOnly, true, 0, 1},
    {L"ShowWholePictures", &SettingsValues::showWholePictures, true, 0, 1},
    {L"ShufflePictures", &SettingsValues::shufflePictures, true, 0, 1},
};
// The table's line of a field.
constexpr const SettingsField& FieldOf(int32_t SettingsValues::*member) {
  for (const SettingsField& field : kSettingsFields)
    if (field.member == member) return field;
  return kSettingsFields[0];  // not reached: every field has its line
}

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

  const SettingsValues& Choices() const { return values_; }
  SettingsValues& Choices() { return values_; }
  // By the file's key: 0 for an unknown key, which SetValue refuses.
  int32_t GetValue(const std::wstring& key) const;
  bool SetValue(const std::wstring& key, int32_t value);

  std::wstring GetImage(int index) const;
  int ImageCount() const { return static_cast<int>(images_.size()); }
  void AddImage(const std::wstring& path) { images_.push_back(path); }
  void RemoveImage(int index);
  void RemoveAllImages() { images_.clear(); }
  void Clear();

  // Every field by its key, in the file's order.
  std::vector<std::pair<std::wstring, int32_t>> Values() const;

private:
  void ApplyValueLine(std::wstring_view line);

  std::vector<std::wstring> images_;
  SettingsValues values_;
};

// The settings file for the executable named by the first command-line argument:
// that text trimmed, unquoted, less its last three characters, plus "scr.settings".
std::wstring SettingsPathFromProgram(std::wstring program);

// Runtime-style text to integer: leading white space, optional sign, decimal
// digits up to the first other character, 0 without digits, clamped on overflow.
int32_t ParseSettingsInteger(std::wstring_view text);
