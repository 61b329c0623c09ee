#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "ui/DialogRules.h"
#include "ui/PreviewDialog.h"

namespace {
// A file-dialog answer as the dialog writes it: strings separated by NULs, a double NUL at the end.
std::wstring Answer(std::initializer_list<std::wstring> parts) {
  std::wstring buffer;
  for (const auto& part : parts) buffer += part + L'\0';
  return buffer + L'\0';
}
}  // namespace

TEST(DialogRules, OneChosenFileIsAFullPath) {
  const std::wstring buffer = Answer({L"C:\\Pictures\\one.jpg"});
  const OpenFileResult result = SplitFileList(buffer.data(), buffer.size());
  EXPECT_TRUE(result.directory.empty());
  EXPECT_EQ(result.paths, std::vector<std::wstring>{L"C:\\Pictures\\one.jpg"});
}

TEST(DialogRules, SeveralFilesJoinTheirFolderInTheDialogsOrder) {
  const std::wstring buffer = Answer({L"C:\\Pictures", L"c.jpg", L"a.png", L"\"b.bmp"});
  const OpenFileResult result = SplitFileList(buffer.data(), buffer.size());
  EXPECT_EQ(result.directory, L"C:\\Pictures");
  EXPECT_EQ(result.paths, (std::vector<std::wstring>{L"C:\\Pictures\\c.jpg", L"C:\\Pictures\\a.png",
                                                      L"C:\\Pictures\\b.bmp"}));
}

TEST(DialogRules, LongMultiSelectionIsReadWhole) {
  // Far beyond 2047 characters: every chosen file still arrives.
  std::wstring buffer = std::wstring(L"C:\\Folder") + L'\0';
  for (int i = 0; i < 300; ++i) buffer += L"picture_with_a_long_name_" + std::to_wstring(i) + L".jpg" + L'\0';
  buffer += L'\0';
  const OpenFileResult result = SplitFileList(buffer.data(), buffer.size());
  ASSERT_EQ(result.paths.size(), 300u);
  EXPECT_EQ(result.paths.back(), L"C:\\Folder\\picture_with_a_long_name_299.jpg");
}

TEST(DialogRules, EmptyOrUnterminatedBuffersStayInside) {
  const wchar_t empty[4] = {};
  EXPECT_TRUE(SplitFileList(empty, 4).paths.empty());
  const wchar_t full[5] = {L'a', L'.', L'j', L'p', L'g'};  // no terminator within the capacity
  EXPECT_EQ(SplitFileList(full, 5).paths, std::vector<std::wstring>{L"a.jpg"});
}

TEST(DialogRules, PictureExtensionsInAnyCase) {
  for (const wchar_t* path : {L"C:\\a.jpg", L"C:\\A.JPG", L"b.Png", L"c.tiff", L"d.TIF", L"e.bmp", L"x.y\\f.jpg"})
    EXPECT_TRUE(IsPictureFile(path)) << path;
  for (const wchar_t* path : {L"C:\\notes.txt", L"C:\\a.jpeg", L"C:\\jpg", L"C:\\pictures.jpg\\file", L"a.jpg.txt",
                              L"", L"C:\\a.gif"})
    EXPECT_FALSE(IsPictureFile(path)) << path;
}

TEST(DialogRules, SelectionAfterRemovalGoesToThePreviousLine) {
  EXPECT_EQ(SelectionAfterRemoval(2, 4), 1);
  EXPECT_EQ(SelectionAfterRemoval(0, 3), 0);
  EXPECT_EQ(SelectionAfterRemoval(-1, 3), 0);  // nothing selected: the first line
  EXPECT_EQ(SelectionAfterRemoval(0, 0), -1);  // the list is empty
  EXPECT_EQ(SelectionAfterRemoval(-1, 0), -1);
  // Indexes at the ends of the range: no overflow, still a line of the list or none.
  EXPECT_EQ(SelectionAfterRemoval(INT_MIN, 3), 0);
  EXPECT_EQ(SelectionAfterRemoval(INT_MIN, INT_MIN), -1);
  EXPECT_EQ(SelectionAfterRemoval(INT_MAX, INT_MAX), INT_MAX - 1);
}

TEST(DialogRules, SaveFailureNamesTheFileInEveryLanguage) {
  const std::wstring path = L"C:\\Windows\\Varnelle.scr.settings";
  for (uint32_t language = 0; language < 9; ++language) {
    const std::wstring message = SaveFailedMessage(language, path);
    EXPECT_NE(message.find(path), std::wstring::npos) << language;
  }
  EXPECT_EQ(SaveFailedMessage(7, path), SaveFailedMessage(0, path));
  EXPECT_NE(SaveFailedMessage(6, path), SaveFailedMessage(0, path));
}

TEST(PreviewRules, ClosesOnEnterEscapeAndPlainClicks) {
  EXPECT_TRUE(ClosesPreview(WM_COMMAND, IDOK));
  EXPECT_TRUE(ClosesPreview(WM_COMMAND, IDCANCEL));
  EXPECT_TRUE(ClosesPreview(WM_LBUTTONDOWN, MK_LBUTTON));
  EXPECT_TRUE(ClosesPreview(WM_RBUTTONDOWN, MK_RBUTTON));
  EXPECT_FALSE(ClosesPreview(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT));
  EXPECT_FALSE(ClosesPreview(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL));
  EXPECT_FALSE(ClosesPreview(WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT));
  // A button still believed held from the click that closed the previous preview
  // must not keep this one open; the modifiers still do.
  EXPECT_TRUE(ClosesPreview(WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON));
  EXPECT_TRUE(ClosesPreview(WM_RBUTTONDOWN, MK_RBUTTON | MK_LBUTTON));
  EXPECT_FALSE(ClosesPreview(WM_RBUTTONDOWN, MK_RBUTTON | MK_LBUTTON | MK_CONTROL));
  EXPECT_FALSE(ClosesPreview(WM_MBUTTONDOWN, MK_MBUTTON));
  EXPECT_FALSE(ClosesPreview(WM_MOUSEMOVE, 0));
  EXPECT_FALSE(ClosesPreview(WM_COMMAND, 1010));
}

TEST(DialogRules, SchemeRowKeepsTheTemplateWhenTextsFit) {
  const SchemeRowLayout layout = FitSchemeRow({10, 190, 6, 77, 60, 75, 70});
  EXPECT_EQ(layout.labelWidth, 77);
  EXPECT_FALSE(layout.twoLines);
  EXPECT_EQ(layout.comboLeft, 93);
  EXPECT_EQ(layout.comboWidth, 75);
}

TEST(DialogRules, SchemeRowGrowsThenWrapsTheLabelBeforeCuttingAStyle) {
  // A slightly longer label: wider, still one line.
  SchemeRowLayout layout = FitSchemeRow({10, 190, 6, 77, 82, 75, 70});
  EXPECT_EQ(layout.labelWidth, 82);
  EXPECT_FALSE(layout.twoLines);
  EXPECT_EQ(layout.comboLeft, 98);
  // A long label and a long style: the box shows the style, the label takes two lines.
  layout = FitSchemeRow({10, 190, 6, 77, 140, 75, 85});
  EXPECT_EQ(layout.comboWidth, 85);
  EXPECT_EQ(layout.labelWidth, 190 - 10 - 12 - 85);
  EXPECT_TRUE(layout.twoLines);
  EXPECT_LE(layout.comboLeft + layout.comboWidth, 190 - 6);
  // A style too long for the row: the label keeps its template width.
  layout = FitSchemeRow({10, 190, 6, 77, 140, 75, 300});
  EXPECT_EQ(layout.labelWidth, 77);
  EXPECT_EQ(layout.comboLeft + layout.comboWidth, 190 - 6);
}

// Measurements of a damaged template, at the ends of the int range: no overflow,
// the widths stay between the template's and what the texts need.
TEST(DialogRules, SchemeRowSurvivesExtremeMeasurements) {
  SchemeRowLayout layout = FitSchemeRow({INT_MIN, INT_MAX, 6, 77, 60, 75, 70});
  EXPECT_EQ(layout.labelWidth, 77);
  EXPECT_EQ(layout.comboWidth, 75);
  EXPECT_FALSE(layout.twoLines);
  layout = FitSchemeRow({INT_MAX, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MIN, INT_MAX});
  EXPECT_EQ(layout.labelWidth, INT_MAX);
  EXPECT_EQ(layout.comboWidth, INT_MIN);
  EXPECT_FALSE(layout.twoLines);
  EXPECT_EQ(layout.comboLeft, INT_MAX);
  layout = FitSchemeRow({INT_MIN, 0, INT_MIN, INT_MIN, 10, 0, 5});
  EXPECT_EQ(layout.comboLeft, INT_MIN);
}
