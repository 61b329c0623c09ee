#include "platform/ProgramPath.h"

#include <windows.h>

namespace {
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

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

bool IsWithinFolder(const std::wstring& path, const std::wstring& folder) {
  size_t length = folder.size();
  while (length > 3 && IsSeparator(folder[length - 1])) --length;  // "C:\" keeps its own
  if (length < 3 || path.size() < length) return false;
  if (CompareStringOrdinal(path.data(), static_cast<int>(length), folder.data(), static_cast<int>(length), TRUE) !=
      CSTR_EQUAL)
    return false;
  return path.size() == length || IsSeparator(path[length]) || IsSeparator(folder[length - 1]);
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring NativeSystemPath(const std::wstring& path, const std::wstring& windowsFolder,
                              const std::wstring& systemFolder) {
  std::wstring sysnative = windowsFolder;
  while (!sysnative.empty() && IsSeparator(sysnative.back())) sysnative.pop_back();
  sysnative += L"\\Sysnative";
  if (windowsFolder.empty() || systemFolder.empty() || !IsWithinFolder(path, sysnative)) return path;
  return systemFolder + path.substr(sysnative.size());
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
