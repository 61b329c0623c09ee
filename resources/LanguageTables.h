#pragma once
#include <cstdint>
#include <string>

// The interface language is the registry value CurLang: 0 English, 1 Russian,
// 2 German, 3 French, 4 Spanish, 5 Italian, 6 Japanese. Anything else, or an
// unreadable value, means English with the built-in texts. The value is read
// afresh by every user; nothing caches it.
constexpr uint32_t kLanguageCount = 7;

// Where the choice is kept (HKEY_LOCAL_MACHINE, 32-bit view).
constexpr wchar_t kLanguageKey[] = L"SOFTWARE\\QUENDRA\\ScreenSaver\\Fire\\";
constexpr wchar_t kLanguageValue[] = L"CurLang";

// CurLang as read now, or 0 (English) when it cannot be read.
uint32_t CurrentLanguageIndex();

// Archive entry of the language file, or an empty string for index 7 and above
// (the built-in English texts apply).
std::wstring LanguageFileEntry(uint32_t curLang);
// Background of the empty picture list, e.g. "Resource/ListBoxEnglishFone.png".
std::wstring ListBoxPictureEntry(uint32_t curLang);
// Picture of the error screen, e.g. "Resource/EnglishErrorFone.png".
std::wstring ErrorPictureEntry(uint32_t curLang);
