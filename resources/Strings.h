#pragma once
#include <string>
#include <string_view>

// The one pair of conversions between the wide strings used everywhere and the
// narrow encodings some interfaces demand.
std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

// A language file's bytes as its text: UTF-8, malformed sequences replaced, cut at
// the first NUL character. False, with text empty, when nothing could be converted.
bool FromUtf8UpToNul(std::string_view bytes, std::wstring& text);
