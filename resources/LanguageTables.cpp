#include "resources/LanguageTables.h"

#include "platform/Registry.h"

namespace {
struct LanguageEntries {
  const wchar_t* file;
  const wchar_t* listBox;
  const wchar_t* error;
};

// The picture names keep their historical spellings ("France", "Spannish", "Japan").
constexpr LanguageEntries kEntries[kLanguageCount] = {
    {L"Resource/Language_en.csv", L"Resource/ListBoxEnglishFone.png", L"Resource/EnglishErrorFone.png"},
    {L"Resource/Language_ru.csv", L"Resource/ListBoxRussianFone.png", L"Resource/RussianErrorFone.png"},
    {L"Resource/Language_de.csv", L"Resource/ListBoxGermanFone.png", L"Resource/GermanErrorFone.png"},
    {L"Resource/Language_fr.csv", L"Resource/ListBoxFranceFone.png", L"Resource/FranceErrorFone.png"},
    {L"Resource/Language_es.csv", L"Resource/ListBoxSpannishFone.png", L"Resource/SpannishErrorFone.png"},
    {L"Resource/Language_it.csv", L"Resource/ListBoxItalianFone.png", L"Resource/ItalianErrorFone.png"},
    {L"Resource/Language_jp.csv", L"Resource/ListBoxJapanFone.png", L"Resource/JapanErrorFone.png"},
};

// Unknown languages show the English pictures.
const LanguageEntries& EntriesFor(uint32_t curLang) { return kEntries[curLang < kLanguageCount ? curLang : 0]; }
}  // namespace

uint32_t CurrentLanguageIndex() {
  uint32_t value = 0;
  return ReadRegistryDword(kLanguageKey, kLanguageValue, value) ? value : 0;
}

std::wstring LanguageFileEntry(uint32_t curLang) {
  return curLang < kLanguageCount ? kEntries[curLang].file : L"";
}

std::wstring ListBoxPictureEntry(uint32_t curLang) { return EntriesFor(curLang).listBox; }

std::wstring ErrorPictureEntry(uint32_t curLang) { return EntriesFor(curLang).error; }
