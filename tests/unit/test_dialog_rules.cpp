#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

#include "ui/DialogRules.h"
#include "ui/PreviewDialog.h"

TEST(DialogRules, PictureKindsInAnyCaseAndTheDialogsPatternAgrees) {
  for (const wchar_t* path : {L"C:\\a.jpg", L"C:\\A.JPG", L"b.Png", L"c.tiff", L"d.TIF", L"e.bmp", L"x.y\\f.jpg",
                              L"C:\\g.jpeg", L"C:\\h.GIF", L"C:\\i.JPE"})
    EXPECT_TRUE(IsPictureFile(path)) << path;
  for (const wchar_t* path : {L"C:\\notes.txt", L"C:\\a.jp", L"C:\\jpg", L"C:\\pictures.jpg\\file", L"a.jpg.txt",
                              L"", L"C:\\Photos", L"C:\\Photos.2023"})
    EXPECT_FALSE(IsPictureFile(path)) << path;
  // Every kind of the file dialog's pattern is one the list accepts, and none is missing.
  const std::wstring pattern = PicturePattern();
  size_t kinds = 0;
  for (size_t start = 0; start <= pattern.size();) {
    size_t end = pattern.find(L';', start);
    if (end == std::wstring::npos) end = pattern.size();
    const std::wstring kind = pattern.substr(start, end - start);
    ASSERT_EQ(kind.rfind(L"*.", 0), 0u) << kind;
    EXPECT_TRUE(IsPictureFile(L"C:\\p" + kind.substr(1))) << kind;
    ++kinds;
    start = end + 1;
  }
  EXPECT_EQ(kinds, 8u);
}

TEST(DialogRules, ADropTakesFoldersAsThemselvesAndFilesByTheirName) {
  EXPECT_EQ(DroppedEntryKind(L"C:\\Photos\\2023", PathOnDisk::Folder), ListEntryKind::Folder);
  EXPECT_EQ(DroppedEntryKind(L"D:\\", PathOnDisk::Folder), ListEntryKind::Folder);  // a whole drive
  // A folder whose name looks like a picture is still a folder.
  EXPECT_EQ(DroppedEntryKind(L"C:\\Trip.jpg", PathOnDisk::Folder), ListEntryKind::Folder);
  EXPECT_EQ(DroppedEntryKind(L"C:\\Photos\\IMG_0001.JPG", PathOnDisk::File), ListEntryKind::Picture);
  EXPECT_EQ(DroppedEntryKind(L"C:\\Photos\\notes.txt", PathOnDisk::File), std::nullopt);
  EXPECT_EQ(DroppedEntryKind(L"C:\\Photos\\raw", PathOnDisk::File), std::nullopt);  // a file without extension
  // Not found (too long to look up, or moved): the name decides, and no folder is guessed.
  EXPECT_EQ(DroppedEntryKind(L"C:\\gone\\a.png", PathOnDisk::Missing), ListEntryKind::Picture);
  EXPECT_EQ(DroppedEntryKind(L"C:\\gone\\Photos", PathOnDisk::Missing), std::nullopt);
}

TEST(DialogRules, StoredLinesAreMarkedByTheirNameThenByTheDisk) {
  int lookUps = 0;
  auto onDisk = [&](PathOnDisk answer) {
    return [&lookUps, answer] {
      ++lookUps;
      return answer;
    };
  };
  // Picture names never reach the disk.
  EXPECT_EQ(StoredEntryKind(L"\\\\nas\\photos\\a.JPEG", onDisk(PathOnDisk::Missing)), ListEntryKind::Picture);
  EXPECT_EQ(StoredEntryKind(L"C:\\Photos\\b.png", onDisk(PathOnDisk::File)), ListEntryKind::Picture);
  EXPECT_EQ(lookUps, 0);
  EXPECT_EQ(StoredEntryKind(L"C:\\Photos", onDisk(PathOnDisk::Folder)), ListEntryKind::Folder);
  EXPECT_EQ(StoredEntryKind(L"C:\\Photos\\raw", onDisk(PathOnDisk::File)), ListEntryKind::Picture);
  // A drive that is not plugged in: what is not named like a picture is taken for a folder.
  EXPECT_EQ(StoredEntryKind(L"E:\\Photos", onDisk(PathOnDisk::Missing)), ListEntryKind::Folder);
  EXPECT_EQ(StoredEntryKind(L"E:\\Photos.2023", onDisk(PathOnDisk::Missing)), ListEntryKind::Folder);
  EXPECT_EQ(lookUps, 4);
}

TEST(DialogRules, TheNextDialogOpensInTheFolderOfTheLastChoice) {
  struct Case {
    const wchar_t* chosen;
    const wchar_t* folder;
  };
  for (const Case& c : {Case{L"C:\\Photos\\2023\\a.jpg", L"C:\\Photos\\2023"},
                        Case{L"C:\\Photos\\2023", L"C:\\Photos"},      // a chosen folder: beside it
                        Case{L"C:\\Photos\\2023\\", L"C:\\Photos"},    // with a trailing separator
                        Case{L"C:\\a.jpg", L"C:\\"},                   // the root keeps its separator
                        Case{L"C:\\Photos", L"C:\\"},
                        Case{L"D:\\", L"D:\\"},                        // a whole drive: itself
                        Case{L"\\\\nas\\share\\Photos\\a.jpg", L"\\\\nas\\share\\Photos"},
                        Case{L"\\\\nas\\share\\a.jpg", L"\\\\nas\\share\\"},  // never the server alone
                        Case{L"\\\\nas\\share", L"\\\\nas\\share"},
                        Case{L"C:/Photos/a.jpg", L"C:/Photos"},
                        Case{L"a.jpg", L""},  // no folder part: the system's choice
                        Case{L"", L""}}) {
    EXPECT_EQ(FolderOfChoice(c.chosen), c.folder) << c.chosen;
  }
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

TEST(DialogRules, SettingsFileMessagesNameTheFileInEveryLanguage) {
  const std::wstring path = L"C:\\Windows\\Varnelle.scr.settings";
  for (auto message : {SaveFailedMessage, UnreadableSettingsMessage}) {
    std::set<std::wstring> seen;
    for (uint32_t language = 0; language < 7; ++language) {
      const std::wstring text = message(language, path);
      EXPECT_NE(text.find(path), std::wstring::npos) << language;
      seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 7u);  // a text of its own in each language
    EXPECT_EQ(message(7, path), message(0, path));
    EXPECT_EQ(message(UINT32_MAX, path), message(0, path));
  }
  EXPECT_NE(UnreadableSettingsMessage(0, path), SaveFailedMessage(0, path));
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
