#include "platform/ProgramPath.h"

#include <windows.h>

namespace {
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool SameText(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
             CSTR_EQUAL;
}

// Calls `get(buffer, size)`, which returns the length it needs or wrote, until the
// whole text fits; "" on failure.
template <class Get>
std::wstring GrowingCall(Get get) {
  std::wstring text(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = get(text.data(), static_cast<DWORD>(text.size()));
    if (length == 0) return {};
    if (length < text.size()) {
      text.resize(length);
      return text;
    }
    if (text.size() >= 32768) return {};
    text.resize(length > text.size() ? length + 1 : text.size() * 2);
  }
}

std::wstring SystemFolder(UINT (WINAPI* get)(LPWSTR, UINT)) {
  return GrowingCall([get](wchar_t* buffer, DWORD size) { return static_cast<DWORD>(get(buffer, size)); });
}

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
}  // namespace

std::wstring NativeSystemPath(const std::wstring& path, const std::wstring& windowsFolder,
                              const std::wstring& systemFolder) {
  std::wstring windows = windowsFolder;
  while (!windows.empty() && IsSeparator(windows.back())) windows.pop_back();
  static constexpr wchar_t kSysnative[] = L"Sysnative";
  const size_t folderEnd = windows.size() + 1 + (sizeof kSysnative / sizeof kSysnative[0] - 1);
  if (windows.empty() || systemFolder.empty() || path.size() < folderEnd) return path;
  if (!SameText(path.substr(0, windows.size()), windows) || !IsSeparator(path[windows.size()])) return path;
  if (!SameText(path.substr(windows.size() + 1, folderEnd - windows.size() - 1), kSysnative)) return path;
  if (path.size() > folderEnd && !IsSeparator(path[folderEnd])) return path;  // "Sysnative2"
  return systemFolder + path.substr(folderEnd);
}

std::wstring GetProgramPath() {
  const std::wstring loaded = GrowingCall([](wchar_t* buffer, DWORD size) {
    return GetModuleFileNameW(nullptr, buffer, size);
  });
  if (loaded.empty()) return {};
  // "..", "." and a relative start resolved first, so that the folder names compare.
  std::wstring path = GrowingCall([&loaded](wchar_t* buffer, DWORD size) {
    return GetFullPathNameW(loaded.c_str(), size, buffer, nullptr);
  });
  if (path.empty()) path = loaded;
  if (!RunsUnderWow64())
    path = NativeSystemPath(path, SystemFolder(GetWindowsDirectoryW), SystemFolder(GetSystemDirectoryW));
  // Short names made long; a name the system cannot expand (no such file any more)
  // stays as it was rather than leaving the saver without a path.
  const std::wstring expanded = GrowingCall([&path](wchar_t* buffer, DWORD size) {
    return GetLongPathNameW(path.c_str(), buffer, size);
  });
  return expanded.empty() ? path : expanded;
}
