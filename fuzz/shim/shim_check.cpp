// The shim's conversions against what Windows gives for the same bytes: if these
// drift, the fuzz targets no longer see what the saver sees.
#include <windows.h>

#include <cstdio>
#include <string>

#include "resources/Strings.h"

namespace {
int failures = 0;

void Expect(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "shim_check: %s\n", what);
    ++failures;
  }
}

bool StrictUtf8(const std::string& bytes) {
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                             0) > 0;
}
}  // namespace

int main() {
  Expect(FromUtf8("caf\xC3\xA9 \xE2\x82\xAC") == L"caf\x00E9 \x20AC", "two- and three-byte UTF-8");
  Expect(FromUtf8("\xF0\x9F\x98\x80") == std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}, "four bytes become a surrogate pair");
  Expect(ToUtf8(std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}) == "\xF0\x9F\x98\x80", "a surrogate pair becomes four bytes");
  Expect(ToUtf8(std::wstring{wchar_t(0xD800), L'a'}) == "\xEF\xBF\xBD" "a", "a lone surrogate is written as U+FFFD");
  Expect(FromUtf8("a\xFF" "b") == L"a\xFFFD" L"b", "a bad byte reads as U+FFFD");
  Expect(FromUtf8(std::string("a\0b", 3)) == std::wstring(L"a\0b", 3), "a NUL is a character");
  for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3", "\x80", "\xF8\x88\x80\x80\x80"})
    Expect(!StrictUtf8(bad), "overlong, surrogate, too large, cut or stray sequences are not UTF-8");
  Expect(StrictUtf8("\xEF\xBF\xBF\xF4\x8F\xBF\xBF"), "U+FFFF and U+10FFFF are UTF-8");
  // The ANSI code page of a Western system.
  Expect(FromAnsi("caf\xE9 \x80\x81\x9F") == L"caf\x00E9 \x20AC\x0081\x0178", "1252 bytes");
  Expect(ToAnsi(L"\x00E9\x20AC\x4E00") == "\xE9\x80?", "1252 characters, and one it lacks");
  std::wstring text;
  Expect(!FromUtf8UpToNul("", text) && text.empty(), "no bytes, no text");
  Expect(FromUtf8UpToNul(std::string("\xEF\xBB\xBFok\r\n\0rest", 10), text) && text == L"\xFEFFok\r\n",
         "a language file ends at its NUL");
  if (failures == 0) std::puts("shim_check: the conversions match the platform's");
  return failures == 0 ? 0 : 1;
}
