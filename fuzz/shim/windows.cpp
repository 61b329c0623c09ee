// The text conversions of the Windows API as the parsers use them, natively.
// Every wchar_t produced here is one UTF-16 code unit (0 to 0xFFFF), so the parsers
// see the same units as in the Windows build; a larger value reaching a conversion
// could never exist there, and stops the run.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
[[noreturn]] void Unreachable(const char* what) {
  std::fprintf(stderr, "windows shim: %s reached from a fuzz target\n", what);
  std::abort();
}

void CheckUnit(wchar_t c) {
  if (c < 0 || c > 0xFFFF) Unreachable("a wide character beyond 16 bits");
}

// The platform's ANSI code page on a Western system, 1252: Latin-1 except for
// 0x80 to 0x9F, where the five unassigned bytes map to the C1 controls.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t FromCp1252(unsigned char b) { return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b; }

int ToCp1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) return 0x80 + i;
  return -1;
}

// Strict UTF-8: no overlong forms, no encoded surrogates, nothing past U+10FFFF.
// A malformed stretch (the longest start of a valid sequence, or one byte)
// becomes one U+FFFD; invalid is set when that happens.
std::u16string DecodeUtf8(const unsigned char* s, size_t n, bool& invalid) {
  std::u16string out;
  invalid = false;
  size_t i = 0;
  while (i < n) {
    const unsigned char b = s[i];
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int extra = 0;
    char32_t cp = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1, cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2, cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3, cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      out.push_back(0xFFFD);
      invalid = true;
      ++i;
      continue;
    }
    size_t j = i + 1;
    int got = 0;
    while (got < extra && j < n) {
      const unsigned char c = s[j];
      const bool ok = got == 0 ? (c >= lo && c <= hi) : (c >= 0x80 && c <= 0xBF);
      if (!ok) break;
      cp = (cp << 6) | (c & 0x3F);
      ++j, ++got;
    }
    if (got < extra) {
      out.push_back(0xFFFD);
      invalid = true;
      i = j;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i = j;
  }
  return out;
}

// UTF-16 to UTF-8; a lone surrogate is written as U+FFFD.
std::string EncodeUtf8(const wchar_t* s, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    CheckUnit(s[i]);
    char32_t cp = static_cast<char32_t>(s[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(s[i + 1]) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}
}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH bytes, int byteCount, LPWSTR wide, int wideCount) {
  if (!bytes || byteCount == 0 || byteCount < -1 || wideCount < 0) return 0;
  const size_t n = byteCount == -1 ? std::strlen(bytes) + 1 : static_cast<size_t>(byteCount);
  const auto* s = reinterpret_cast<const unsigned char*>(bytes);
  std::u16string units;
  if (codePage == CP_UTF8) {
    if (flags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) return 0;
    bool invalid = false;
    units = DecodeUtf8(s, n, invalid);
    if (invalid && (flags & MB_ERR_INVALID_CHARS)) return 0;
  } else if (codePage == CP_ACP) {
    for (size_t i = 0; i < n; ++i) units.push_back(FromCp1252(s[i]));
  } else {
    Unreachable("a code page other than ANSI or UTF-8");
  }
  if (wideCount == 0) return static_cast<int>(units.size());
  if (units.size() > static_cast<size_t>(wideCount)) return 0;
  for (size_t i = 0; i < units.size(); ++i) wide[i] = units[i];
  return static_cast<int>(units.size());
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int wideCount, LPSTR bytes, int byteCount,
                        LPCCH defaultChar, LPBOOL usedDefaultChar) {
  if (!wide || wideCount == 0 || wideCount < -1 || byteCount < 0) return 0;
  size_t n = 0;
  if (wideCount == -1) {
    while (wide[n]) ++n;
    ++n;
  } else {
    n = static_cast<size_t>(wideCount);
  }
  std::string out;
  if (codePage == CP_UTF8) {
    out = EncodeUtf8(wide, n);
  } else if (codePage == CP_ACP) {
    // Without the platform's best-fit table: what 1252 lacks becomes the default character.
    for (size_t i = 0; i < n; ++i) {
      CheckUnit(wide[i]);
      const int b = ToCp1252(static_cast<char16_t>(wide[i]));
      if (b < 0 && usedDefaultChar) *usedDefaultChar = TRUE;
      out.push_back(b >= 0 ? static_cast<char>(b) : defaultChar ? *defaultChar : '?');
    }
  } else {
    Unreachable("a code page other than ANSI or UTF-8");
  }
  if (byteCount == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(byteCount)) return 0;
  std::memcpy(bytes, out.data(), out.size());
  return static_cast<int>(out.size());
}

HANDLE CreateFileW(LPCWSTR, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD, DWORD, HANDLE) { return INVALID_HANDLE_VALUE; }
BOOL CloseHandle(HANDLE) { Unreachable("CloseHandle"); }
DWORD GetLastError() { return ERROR_FILE_NOT_FOUND; }
BOOL GetFileInformationByHandle(HANDLE, BY_HANDLE_FILE_INFORMATION*) { Unreachable("GetFileInformationByHandle"); }
BOOL GetFileSizeEx(HANDLE, PLARGE_INTEGER) { Unreachable("GetFileSizeEx"); }
BOOL ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, OVERLAPPED*) { Unreachable("ReadFile"); }
BOOL WriteFile(HANDLE, LPCVOID, DWORD, LPDWORD, OVERLAPPED*) { Unreachable("WriteFile"); }
BOOL SetEndOfFile(HANDLE) { Unreachable("SetEndOfFile"); }
BOOL FlushFileBuffers(HANDLE) { Unreachable("FlushFileBuffers"); }
BOOL DeleteFileW(LPCWSTR) { Unreachable("DeleteFileW"); }
BOOL MoveFileExW(LPCWSTR, LPCWSTR, DWORD) { Unreachable("MoveFileExW"); }
LPWSTR GetCommandLineW() { Unreachable("GetCommandLineW"); }
HLOCAL LocalFree(HLOCAL) { Unreachable("LocalFree"); }
void PostQuitMessage(int) { Unreachable("PostQuitMessage"); }
LPWSTR* CommandLineToArgvW(LPCWSTR, int*) { Unreachable("CommandLineToArgvW"); }
