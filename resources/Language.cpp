#include "resources/Language.h"

#include <windows.h>

#include <climits>
#include <string>

#include "resources/LanguageTables.h"
#include "resources/Strings.h"
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
    std::wstring text;
    const bool loaded = FromUtf8UpToNul(std::string_view(reinterpret_cast<const char*>(data), size), text);
    if (loaded) texts.LoadText(text);
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
