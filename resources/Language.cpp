#include "resources/Language.h"

#include <windows.h>

#include <climits>
#include <memory>
#include <string>

#include "resources/LanguageTables.h"
#include "resources/TextStorage.h"
#include "resources/ZipReader.h"
#include "platform/Registry.h"

using WorkSpace::ZipReader;
using WorkSpace::Translate::TextStorage;

bool LoadLanguageTexts(ZipReader& archive, TextStorage& texts, bool languageKnown, uint32_t curLang) {
  if (!languageKnown || curLang >= kLanguageCount) {
    texts.LoadDefaults();
    return false;
  }
  try {
    uint32_t size = 0;
    const uint8_t* data = archive.ReadEntry(LanguageFileEntry(curLang), size);
    if (!data || size == 0 || size > INT_MAX) {
      archive.FreeEntry();
      texts.LoadDefaults();
      return false;
    }
    // UTF-8 never yields more UTF-16 units than it has bytes.
    const int capacity = static_cast<int>(size);
    auto wide = std::make_unique<wchar_t[]>(capacity);
    const int converted = MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(data), capacity,
                                              wide.get(), capacity);
    bool loaded = false;
    if (converted > 0) {
      // The text ends at a NUL character, if the file holds one.
      std::wstring text(wide.get(), static_cast<size_t>(converted));
      if (const size_t nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
      texts.LoadText(text);
      loaded = true;
    }
    archive.FreeEntry();
    return loaded;
  } catch (...) {
    // Out of memory: the table keeps whatever it already holds.
    archive.FreeEntry();
    return false;
  }
}

bool LoadLanguageInto(ZipReader& archive, TextStorage& texts) {
  uint32_t curLang = 0;
  const bool known = ReadRegistryDword(kLanguageKey, kLanguageValue, curLang);
  return LoadLanguageTexts(archive, texts, known, curLang);
}

bool LoadLanguage() {
  ZipReader& archive = WorkSpace::GetResourceArchive();
  // A missing archive is not an error here: the texts fall back to English.
  archive.Open(WorkSpace::GetResourceArchivePath(), WorkSpace::kResourcePassword);
  return LoadLanguageInto(archive, WorkSpace::Translate::GetTextStorage());
}
