#pragma once
#include <cstdint>

namespace WorkSpace {
class ZipReader;
namespace Translate {
class TextStorage;
}
}  // namespace WorkSpace

// Start-up of the interface texts: opens the resource archive beside the
// executable and fills the process's text table from the language file that
// CurLang selects, or with the built-in English texts. True when a language
// file was read and parsed.
bool LoadLanguage();

// LoadLanguage without opening the archive: reads CurLang now and fills texts
// from archive.
bool LoadLanguageInto(WorkSpace::ZipReader& archive, WorkSpace::Translate::TextStorage& texts);

// The table-filling steps of LoadLanguage over given objects: languageKnown is
// whether CurLang could be read, curLang its value.
bool LoadLanguageTexts(WorkSpace::ZipReader& archive, WorkSpace::Translate::TextStorage& texts,
                       bool languageKnown, uint32_t curLang);
