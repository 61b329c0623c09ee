#include "settings/SettingsStore.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cwctype>
#include <memory>

#include "platform/Counters.h"
#include "resources/Strings.h"

namespace {
const SettingsField* FindField(std::wstring_view key) {
  for (const SettingsField& field : kSettingsFields)
    if (key == field.key) return &field;
  return nullptr;
}
constexpr std::wstring_view kBeginMarker = L"#Picture Info _ begin";
constexpr std::wstring_view kEndMarker = L"#Picture Info _ end";
constexpr LONGLONG kMaxSettingsFileBytes = 16 << 20;

// Files written by earlier versions hold ANSI lines; this version writes UTF-8,
// which keeps every character. A file that is not valid UTF-8 as a whole is read
// the old way.
bool IsUtf8(std::string_view bytes) {
  if (bytes.empty()) return true;
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                             0) > 0;
}

// Calls take(line) for each line in turn, of any length: CR LF reads as a line
// feed, and one trailing line feed ends the last line rather than adding an empty
// one. Views into the bytes, so a file of millions of lines costs no copies.
template <typename Take>
void ForEachLine(std::string_view bytes, Take&& take) {
  while (!bytes.empty()) {
    const size_t feed = bytes.find('\n');
    std::string_view line = bytes.substr(0, feed);
    if (feed != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    take(line);
    bytes.remove_prefix(feed == std::string_view::npos ? bytes.size() : feed + 1);
  }
}

struct FileCloser {
  void operator()(HANDLE h) const {
    if (h == INVALID_HANDLE_VALUE) return;
    CloseHandle(h);
    platform::counters::Add(platform::counters::kKernelHandles, -1);
  }
};
using UniqueFile = std::unique_ptr<void, FileCloser>;

// Takes what CreateFileW returned; the error of a failed open stays for GetLastError.
UniqueFile OwnFile(HANDLE h) {
  if (h != INVALID_HANDLE_VALUE) platform::counters::Add(platform::counters::kKernelHandles, 1);
  return UniqueFile(h);
}

SettingsRead ReadWholeFile(const std::wstring& path, std::string& bytes) {
  if (path.empty()) return SettingsRead::Missing;
  // FILE_FLAG_BACKUP_SEMANTICS opens a folder too, which then fails as "not a file"
  // below rather than as a missing one.
  UniqueFile file = OwnFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? SettingsRead::Missing
                                                                          : SettingsRead::Unreadable;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return SettingsRead::Unreadable;
  LARGE_INTEGER size{};
  // A settings file is a few kilobytes; anything past 16 MB is not one of ours.
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxSettingsFileBytes) return SettingsRead::Unreadable;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                         read != bytes.size()))
    return SettingsRead::Unreadable;
  return SettingsRead::Read;
}
}  // namespace

int32_t ParseSettingsInteger(std::wstring_view text) {
  size_t i = 0;
  while (i < text.size() && std::iswspace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

SettingsRead SettingsStore::Load(const std::wstring& path) {
  Clear();
  std::string bytes;
  const SettingsRead outcome = ReadWholeFile(path, bytes);
  if (outcome == SettingsRead::Read) LoadFromText(bytes);
  return outcome;
}

void SettingsStore::LoadFromText(std::string_view bytes) {
  const bool utf8 = IsUtf8(bytes);
  bool pictures = true;
  ForEachLine(bytes, [&](std::string_view bytesOfLine) {
    // An empty line names no picture; skipping it keeps a file of nothing but line
    // feeds from becoming millions of empty entries.
    if (bytesOfLine.empty()) return;
    const std::wstring line = utf8 ? FromUtf8(bytesOfLine) : FromAnsi(bytesOfLine);
    if (pictures) {
      if (line == kEndMarker)
        pictures = false;
      else if (line != kBeginMarker)
        images_.push_back(line);
    } else {
      ApplyValueLine(line);
    }
  });
}

// "Key value": leading spaces skipped, the key runs to the next space, the value
// is everything after that one space. Blank lines and unknown keys change nothing.
void SettingsStore::ApplyValueLine(std::wstring_view line) {
  const size_t start = line.find_first_not_of(L' ');
  if (start == std::wstring_view::npos) return;
  line.remove_prefix(start);
  const size_t space = line.find(L' ');
  if (space == std::wstring_view::npos || space + 1 == line.size()) return;
  const SettingsField* field = FindField(line.substr(0, space));
  if (!field) return;
  int32_t value = ParseSettingsInteger(line.substr(space + 1));
  // A switch is on only at 1: read so, a save writes back what was meant.
  if (field->optionalSwitch && value != 1) value = 0;
  values_.*(field->member) = value;
}

std::string SettingsStore::ToText() const {
  std::string text = ToUtf8(kBeginMarker) + "\r\n";
  for (const std::wstring& image : images_) text += ToUtf8(image) + "\r\n";
  text += ToUtf8(kEndMarker) + "\r\n";
  for (const SettingsField& field : kSettingsFields) {
    const int32_t value = values_.*(field.member);
    if (!field.optionalSwitch || value == 1) text += ToUtf8(field.key) + " " + std::to_string(value) + "\r\n";
  }
  return text;
}

namespace {
bool WriteAllAndFlush(HANDLE file, const std::string& text) {
  DWORD written = 0;
  return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size() &&
         SetEndOfFile(file) && FlushFileBuffers(file);
}

// Writes the new file beside the old one and swaps it in with one rename, so an
// interrupted save never leaves a truncated file.
bool SaveBesideAndSwap(const std::wstring& path, const std::string& text) {
  const std::wstring temp = path + L".new";
  {
    UniqueFile file =
        OwnFile(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return false;
    if (!WriteAllAndFlush(file.get(), text)) {
      file.reset();
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool SettingsStore::Save(const std::wstring& path) const {
  return SaveBesideAndSwap(path, ToText());
}

int32_t SettingsStore::GetValue(const std::wstring& key) const {
  const SettingsField* field = FindField(key);
  return field ? values_.*(field->member) : 0;
}

bool SettingsStore::SetValue(const std::wstring& key, int32_t value) {
  const SettingsField* field = FindField(key);
  if (!field) return false;
  values_.*(field->member) = value;
  return true;
}

std::vector<std::pair<std::wstring, int32_t>> SettingsStore::Values() const {
  std::vector<std::pair<std::wstring, int32_t>> values;
  for (const SettingsField& field : kSettingsFields) values.emplace_back(field.key, values_.*(field.member));
  return values;
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
  values_ = SettingsValues{};
}

std::wstring SettingsPathFromProgram(std::wstring s) {
  const size_t last = s.find_last_not_of(L" \t\r\n\v\f");
  s.erase(last == std::wstring::npos ? 0 : last + 1);
  s.erase(0, std::min(s.size(), s.find_first_not_of(L" \t\r\n\v\f")));
  if (!s.empty() && s.front() == L'"') s = s.size() >= 2 ? s.substr(1, s.size() - 2) : std::wstring();
  s.erase(s.size() >= 3 ? s.size() - 3 : 0);
  return s + L"scr.settings";
}
