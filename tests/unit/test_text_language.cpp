#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "resources/Language.h"
#include "resources/LanguageTables.h"
#include "resources/Strings.h"
#include "resources/TextStorage.h"
#include "resources/ZipReader.h"
#include "test_archive_paths.h"

using WorkSpace::ZipReader;
using WorkSpace::Translate::TextStorage;
using WorkSpace::Translate::kTextCount;

namespace {
class LanguageFromFixture : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(archive.Open(ZipFixture(L"fixture.zip"), WorkSpace::kResourcePassword)); }
  ZipReader archive;
  TextStorage texts;
};

const wchar_t* const kCancel[kLanguageCount] = {L"Cancel", L"Отмена", L"Abbrechen", L"Annuler",
                                                L"Cancelar", L"Annulla", L"キャンセル"};
}  // namespace

TEST(LanguageTables, NamesFollowTheLanguageIndex) {
  EXPECT_EQ(LanguageFileEntry(0), L"Resource/Language_en.csv");
  EXPECT_EQ(LanguageFileEntry(6), L"Resource/Language_jp.csv");
  EXPECT_EQ(LanguageFileEntry(7), L"");
  EXPECT_EQ(ListBoxPictureEntry(3), L"Resource/ListBoxFranceFone.png");
  EXPECT_EQ(ListBoxPictureEntry(6), L"Resource/ListBoxJapanFone.png");
  EXPECT_EQ(ErrorPictureEntry(4), L"Resource/SpannishErrorFone.png");
  EXPECT_EQ(ErrorPictureEntry(6), L"Resource/JapanErrorFone.png");
  for (uint32_t unknown : {7u, 8u, 0xFFFFFFFFu}) {  // CurLang -1 reads as 0xFFFFFFFF
    EXPECT_EQ(ListBoxPictureEntry(unknown), L"Resource/ListBoxEnglishFone.png");
    EXPECT_EQ(ErrorPictureEntry(unknown), L"Resource/EnglishErrorFone.png");
  }
}

TEST_F(LanguageFromFixture, ThreeLineFileGivesThreeTextsAndEmptyRest) {
  EXPECT_TRUE(LoadLanguageTexts(archive, texts, true, 0));
  ASSERT_EQ(texts.Count(), 3u);
  EXPECT_EQ(texts.GetText(0), L"First");
  EXPECT_EQ(texts.GetText(1), L"Second, with a comma");
  EXPECT_EQ(texts.GetText(2), L"Third");
  EXPECT_EQ(texts.GetText(3), L"");
}

TEST_F(LanguageFromFixture, FileWithoutFinalCrLfKeepsOnlyCompleteLines) {
  LoadLanguageTexts(archive, texts, true, 3);
  ASSERT_EQ(texts.Count(), 2u);
  EXPECT_EQ(texts.GetText(0), L"Один");
  EXPECT_EQ(texts.GetText(1), L"Два");
}

TEST_F(LanguageFromFixture, TextEndsAtANulCharacter) {
  LoadLanguageTexts(archive, texts, true, 4);
  ASSERT_EQ(texts.Count(), kTextCount);  // nothing complete before the NUL: built-in texts
  EXPECT_EQ(texts.GetText(1), L"Cancel");
}

TEST_F(LanguageFromFixture, UnusableFilesAndLanguagesGiveTheBuiltInTexts) {
  struct Case {
    bool known;
    uint32_t curLang;
    const char* why;
  };
  for (const Case& c : {Case{true, 1, "only the byte-order mark"}, Case{true, 2, "empty entry"},
                        Case{true, 5, "missing entry"}, Case{true, 7, "index 7"},
                        Case{true, 0xFFFFFFFFu, "negative index"}, Case{false, 0, "value unreadable"}}) {
    SCOPED_TRACE(c.why);
    TextStorage fresh;
    LoadLanguageTexts(archive, fresh, c.known, c.curLang);
    EXPECT_EQ(fresh.Count(), kTextCount);
    EXPECT_EQ(fresh.GetText(0), L"\u041Ek");
  }
}

// The shipped language files: one line per text each, English equal to the built-in table.
TEST(ShippedLanguageFiles, EveryFileHasOneCrLfLinePerTextAfterAByteOrderMark) {
  ZipReader archive;
  ASSERT_TRUE(archive.Open(ShippedArchive(), WorkSpace::kResourcePassword));
  TextStorage builtIn;
  builtIn.LoadDefaults();
  for (uint32_t lang = 0; lang < kLanguageCount; ++lang) {
    SCOPED_TRACE(lang);
    const WorkSpace::ArchiveBytes file = archive.ReadEntry(LanguageFileEntry(lang));
    ASSERT_TRUE(file);
    const std::string bytes(reinterpret_cast<const char*>(file.get()), file.size);
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    size_t lines = 0;
    for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, kTextCount);
    EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1);  // no lone line feeds

    TextStorage texts;
    EXPECT_TRUE(LoadLanguageTexts(archive, texts, true, lang));
    ASSERT_EQ(texts.Count(), kTextCount);
    EXPECT_EQ(texts.GetText(1), kCancel[lang]);
    for (uint32_t id = 0; id < kTextCount; ++id) {
      EXPECT_FALSE(texts.GetText(id).empty()) << id;
      if (lang == 0 || (id >= 23 && id <= 26)) {
        EXPECT_EQ(texts.GetText(id), builtIn.GetText(id)) << id;
      }
    }
  }
}

// Run by the system test test_archive_language with CurLang set in the Wine
// registry; VARNELLE_EXPECT_LANGUAGE names the language it should find (7: English
// built in). Skipped in an ordinary unit test run.
TEST(LanguageRegistry, LoadLanguageFollowsCurLang) {
  const char* expected = std::getenv("VARNELLE_EXPECT_LANGUAGE");
  if (!expected) GTEST_SKIP() << "run by the system test with CurLang set";
  const uint32_t lang = static_cast<uint32_t>(std::atoi(expected));
  const bool fromFile = LoadLanguage();
  EXPECT_TRUE(WorkSpace::GetResourceArchive().IsOpen());
  EXPECT_EQ(fromFile, lang < kLanguageCount);
  const TextStorage& texts = WorkSpace::Translate::GetTextStorage();
  EXPECT_EQ(texts.Count(), kTextCount);
  EXPECT_EQ(texts.GetText(1), kCancel[lang < kLanguageCount ? lang : 0]);
  static const wchar_t* const kStems[kLanguageCount] = {L"English", L"Russian", L"German", L"France",
                                                       L"Spannish", L"Italian", L"Japan"};
  const std::wstring stem = kStems[lang < kLanguageCount ? lang : 0];
  EXPECT_EQ(ListBoxPictureEntry(CurrentLanguageIndex()), L"Resource/ListBox" + stem + L"Fone.png");
  EXPECT_EQ(ErrorPictureEntry(CurrentLanguageIndex()), L"Resource/" + stem + L"ErrorFone.png");
}
