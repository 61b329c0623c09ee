#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "resources/TextStorage.h"

using WorkSpace::Translate::TextStorage;
using WorkSpace::Translate::kTextCount;

namespace {
const std::wstring kBom = L"\uFEFF";

TextStorage Loaded(const std::wstring& file) {
  TextStorage texts;
  texts.LoadText(file);
  return texts;
}
}  // namespace

TEST(TextStorage, BuiltInTableHasEveryTextStartingWithCyrillicO) {
  TextStorage texts;
  EXPECT_EQ(texts.GetText(0), L"");
  texts.LoadDefaults();
  ASSERT_EQ(texts.Count(), kTextCount);
  EXPECT_EQ(texts.GetText(0), std::wstring(L"\u041E") + L"k");
  EXPECT_NE(texts.GetText(0), L"Ok");
  EXPECT_EQ(texts.GetText(23), L"Varnelle");
  EXPECT_EQ(texts.GetText(32), L"Fire");
  EXPECT_EQ(texts.GetText(52), L"Add your images or photos here.");
  EXPECT_EQ(texts.GetText(53), L"Click Add or just drag and drop files to this window.");
  EXPECT_EQ(texts.GetText(54), L"Add Folder...");
  EXPECT_EQ(texts.GetText(56), L"The file dialog could not be opened.");
  EXPECT_EQ(texts.GetText(WorkSpace::Translate::kTextCount), L"");
  EXPECT_EQ(texts.GetText(UINT32_MAX), L"");
}

TEST(TextStorage, EachCrLfLineIsOneTextInIdOrder) {
  const TextStorage texts = Loaded(kBom + L"Alpha\r\nBeta, gamma; delta\r\n\r\nOmega\r\n");
  ASSERT_EQ(texts.Count(), 4u);
  EXPECT_EQ(texts.GetText(0), L"Alpha");
  EXPECT_EQ(texts.GetText(1), L"Beta, gamma; delta");  // commas and semicolons are plain characters
  EXPECT_EQ(texts.GetText(2), L"");                    // an empty line still takes its id
  EXPECT_EQ(texts.GetText(3), L"Omega");
  EXPECT_EQ(texts.GetText(4), L"");  // missing ids are empty, not English
}

TEST(TextStorage, TextAfterTheLastCrLfIsIgnored) {
  const TextStorage texts = Loaded(kBom + L"One\r\nTwo\r\nThree");
  ASSERT_EQ(texts.Count(), 2u);
  EXPECT_EQ(texts.GetText(1), L"Two");
  EXPECT_EQ(texts.GetText(2), L"");
}

TEST(TextStorage, LoneLfIsDroppedAndLoneCrKept) {
  const TextStorage texts = Loaded(kBom + L"a\nb\rc\r\n\n\nd\r\n");
  ASSERT_EQ(texts.Count(), 2u);
  EXPECT_EQ(texts.GetText(0), L"ab\rc");
  EXPECT_EQ(texts.GetText(1), L"d");
}

TEST(TextStorage, FirstCharacterIsSkippedWhateverItIs) {
  EXPECT_EQ(Loaded(L"XYes\r\n").GetText(0), L"Yes");
}

TEST(TextStorage, FileWithoutACompleteLineGivesTheBuiltInTexts) {
  for (const std::wstring& file : {std::wstring(), kBom, kBom + L"No line end", kBom + L"\r", kBom + L"x\n",
                                   std::wstring(L"\r\n")}) {
    const TextStorage texts = Loaded(file);
    EXPECT_EQ(texts.Count(), kTextCount);
    EXPECT_EQ(texts.GetText(1), L"Cancel");
  }
}

TEST(TextStorage, SecondLoadAppendsAndLookupsKeepTheFirstSet) {
  TextStorage texts;
  texts.LoadText(kBom + L"First\r\n");
  texts.LoadDefaults();
  ASSERT_EQ(texts.Count(), 1u + kTextCount);  // one line of the file, then the built-in table
  EXPECT_EQ(texts.GetText(0), L"First");
  EXPECT_EQ(texts.GetText(2), L"Cancel");  // built-in id 1, now at position 2
}
