#include "resources/Language.h"

#include <windows.h>

#include <climits>
#include <string>

#include "resources/LanguageTables.h"
#include "resources/Strings.h"
#include "resources/TextStorage.h"
#include "resources/ZipReader.h"
#include "platform/Registry.h"
#include "platform/StartupTrace.h"

using WorkSpace::ZipReader;
using WorkSpace::Translate::TextStorage;

bool LoadLanguageTexts(ZipReader& archive, TextStorage& texts, bool languageKnown, uint32_t curLang) {
  if (!languageKnown || curLang >= kLanguageCount) {
    texts.LoadDefaults();
    return false;
  }
  try {
    const WorkSpace::ArchiveBytes file = archive.ReadEntry(LanguageFileEntry(curLang));
    if (!file || file.size == 0 || file.size > INT_MAX) {
      texts.LoadDefaults();
      return false;
    }
    std::wstring text;
    const bool loaded = FromUtf8UpToNul(std::string_view(reinterpret_cast<const char*>(file.get()), file.size), text);
    if (loaded) texts.LoadText(text);
    return loaded;
  } catch (...) {
    // Out of memory: the table keeps whatever it already holds.
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
  TraceStartStep(L"archive");
  const bool loaded = LoadLanguageInto(archive, WorkSpace::Translate::GetTextStorage());
  TraceStartStep(L"language");
  return loaded;
}
