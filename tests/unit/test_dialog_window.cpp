// The configuration dialog in this process: its template, a stand-in file dialog,
// dropped-file handles built here.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/SceneManager.h"
#include "effects/FireEffect.h"
#include "res/resource.h"
#include "ui/ConfigDialog.h"
#include "ui/DialogTexts.h"
#include "ui/ImageListBox.h"
#include "ui/PreviewDialog.h"

namespace {
std::wstring g_answer;  // what the stand-in file dialog "chooses"
int g_dialogCalls = 0;
std::wstring g_initialDirSeen;
const wchar_t* g_titleSeen = L"unset";

BOOL WINAPI FakeOpenFile(OPENFILENAMEW* record) {
  ++g_dialogCalls;
  g_initialDirSeen = record->lpstrInitialDir ? record->lpstrInitialDir : L"";
  g_titleSeen = record->lpstrTitle;
  if (g_answer.empty()) return FALSE;  // cancelled
  std::memcpy(record->lpstrFile, g_answer.data(), g_answer.size() * sizeof(wchar_t));
  return TRUE;
}

std::wstring Answer(const std::wstring& folder, const std::vector<std::wstring>& names) {
  std::wstring buffer = folder + L'\0';
  for (const auto& name : names) buffer += name + L'\0';
  return buffer + L'\0';
}

// A drop of these paths, as the shell hands it over.
HDROP MakeDrop(const std::vector<std::wstring>& paths) {
  size_t chars = 1;
  for (const auto& p : paths) chars += p.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  auto* text = reinterpret_cast<wchar_t*>(drop + 1);
  for (const auto& p : paths) {
    std::memcpy(text, p.c_str(), (p.size() + 1) * sizeof(wchar_t));
    text += p.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

class ConfigDialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    SettingsStore& settings = app().settings;
    settings.Load(L"");  // defaults, no file
    settings.SetValue(L"ShowImages", 0);
    settings.SetValue(L"SelectFireEffect", 2);
    settings.AddImage(L"C:\\stored\\one.jpg");
    settings.AddImage(L"C:\\stored\\two.png");
    g_answer.clear();
    g_dialogCalls = 0;
    SetOpenFileDialogFunction(FakeOpenFile);
    dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CONFIGURE), nullptr,
                                ScreenSaverConfigureDialog, 0);
    ASSERT_NE(dialog, nullptr);
    list = GetDlgItem(dialog, IDC_IMAGE_LIST);
  }
  void TearDown() override {
    if (dialog) DestroyWindow(dialog);
    app().dialog = nullptr;
    SetOpenFileDialogFunction(nullptr);
  }
  static ConfigDialogState& app() { return GetConfigDialogState(); }
  int Lines() const { return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); }
  std::wstring Line(int i) const { return ReadListBoxLines(list).at(i); }
  int Selection() const { return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)); }
  bool Checked() const { return IsDlgButtonChecked(dialog, IDC_SHOW_IMAGES) == BST_CHECKED; }
  void Command(int id) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

  HWND dialog = nullptr;
  HWND list = nullptr;
};
}  // namespace

TEST_F(ConfigDialogTest, InitialisationShowsTheStore) {
  EXPECT_EQ(app().dialog, dialog);
  EXPECT_EQ(ReadListBoxLines(list), (std::vector<std::wstring>{L"C:\\stored\\one.jpg", L"C:\\stored\\two.png"}));
  EXPECT_FALSE(Checked());
  EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_FIRE_SCHEME, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_FIRE_SCHEME, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_BLOBS_SPEED, TBM_GETPOS, 0, 0), 40);
  EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_BLOBS_SIZE, TBM_GETRANGEMAX, 0, 0), 100);
  EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_BLOBS_SIZE, TBM_GETRANGEMIN, 0, 0), 1);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_BLOBS_SPEED)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_SPARKS_SCHEME)));
  EXPECT_EQ(previousListBoxProc != nullptr, true);
}

TEST_F(ConfigDialogTest, AddJoinsFolderAndNamesAndOpensThereNextTime) {
  g_answer = Answer(L"C:\\Photos", {L"c.jpg", L"a.jpg", L"b.jpg"});
  Command(IDC_ADD);
  EXPECT_EQ(Lines(), 5);
  EXPECT_EQ(Line(2), L"C:\\Photos\\c.jpg");
  EXPECT_EQ(Line(4), L"C:\\Photos\\b.jpg");
  ASSERT_EQ(app().settings.ImageCount(), 5);
  EXPECT_EQ(app().settings.GetImage(3), L"C:\\Photos\\a.jpg");
  EXPECT_TRUE(Checked());
  EXPECT_EQ(app().settings.GetValue(L"ShowImages"), 1);  // the store follows the box
  EXPECT_EQ(g_titleSeen, nullptr);                       // the system's own title

  g_answer.clear();  // cancelled: nothing changes
  Command(IDC_ADD);
  EXPECT_EQ(g_initialDirSeen, L"C:\\Photos\\");
  EXPECT_EQ(Lines(), 5);
  EXPECT_EQ(app().settings.ImageCount(), 5);
}

TEST_F(ConfigDialogTest, AThousandFilesAllShowAndStayInStepWithTheStore) {
  std::vector<std::wstring> names;
  for (int i = 0; i < 1000; ++i) names.push_back(L"f" + std::to_wstring(i) + L".jpg");
  g_answer = Answer(L"D:\\x", names);
  Command(IDC_ADD);
  ASSERT_EQ(Lines(), 1002);
  ASSERT_EQ(app().settings.ImageCount(), 1002);
  // The last line can be scrolled to and removed; the store loses the same one.
  SendMessageW(list, LB_SETTOPINDEX, 1001, 0);
  RECT client{};
  GetClientRect(list, &client);
  const LRESULT shown = client.bottom / SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
  EXPECT_GT(SendMessageW(list, LB_GETTOPINDEX, 0, 0) + shown, 1001);
  SendMessageW(list, LB_SETCURSEL, 1001, 0);
  Command(IDC_REMOVE);
  EXPECT_EQ(Lines(), 1001);
  EXPECT_EQ(Line(1000), L"D:\\x\\f998.jpg");
  EXPECT_EQ(Selection(), 1000);
  for (int i = 0; i < Lines(); ++i) ASSERT_EQ(app().settings.GetImage(i), Line(i)) << i;
}

TEST_F(ConfigDialogTest, RemoveWithAndWithoutSelection) {
  g_answer = Answer(L"C:\\P", {L"3.jpg", L"4.jpg"});
  Command(IDC_ADD);
  ASSERT_EQ(Lines(), 4);
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  Command(IDC_REMOVE);  // no selection: nothing removed, the first line selected
  EXPECT_EQ(Lines(), 4);
  EXPECT_EQ(Selection(), 0);

  SendMessageW(list, LB_SETCURSEL, 2, 0);
  Command(IDC_REMOVE);
  EXPECT_EQ(ReadListBoxLines(list), (std::vector<std::wstring>{L"C:\\stored\\one.jpg", L"C:\\stored\\two.png",
                                                               L"C:\\P\\4.jpg"}));
  EXPECT_EQ(app().settings.GetImage(2), L"C:\\P\\4.jpg");
  EXPECT_EQ(Selection(), 1);
  EXPECT_TRUE(Checked());

  for (int i = 0; i < 3; ++i) Command(IDC_REMOVE);  // the selection walks back to line 0
  EXPECT_EQ(Lines(), 0);
  EXPECT_EQ(app().settings.ImageCount(), 0);
  EXPECT_FALSE(Checked());
  EXPECT_EQ(app().settings.GetValue(L"ShowImages"), 0);
}

TEST_F(ConfigDialogTest, RemoveAllEmptiesBothListsAndUnchecks) {
  CheckDlgButton(dialog, IDC_SHOW_IMAGES, BST_CHECKED);
  Command(IDC_REMOVE_ALL);
  EXPECT_EQ(Lines(), 0);
  EXPECT_EQ(app().settings.ImageCount(), 0);
  EXPECT_FALSE(Checked());
}

TEST_F(ConfigDialogTest, DroppedPicturesJoinOtherFilesDoNot) {
  SendMessageW(dialog, WM_DROPFILES,
               reinterpret_cast<WPARAM>(MakeDrop({L"C:\\drop\\HOLIDAY.JPG", L"C:\\drop\\notes.txt",
                                                  L"C:\\drop\\scan.Tif"})),
               0);
  EXPECT_EQ(ReadListBoxLines(list), (std::vector<std::wstring>{L"C:\\stored\\one.jpg", L"C:\\stored\\two.png",
                                                               L"C:\\drop\\HOLIDAY.JPG", L"C:\\drop\\scan.Tif"}));
  EXPECT_EQ(app().settings.ImageCount(), 4);
  EXPECT_FALSE(Checked());  // a drop leaves the switch alone
}

TEST_F(ConfigDialogTest, CheckBoxAndTrackbarsWriteTheStore) {
  SendDlgItemMessageW(dialog, IDC_SHOW_IMAGES, BM_SETCHECK, BST_CHECKED, 0);
  Command(IDC_SHOW_IMAGES);
  EXPECT_EQ(app().settings.GetValue(L"ShowImages"), 1);
  HWND speed = GetDlgItem(dialog, IDC_BLOBS_SPEED);
  SendMessageW(speed, TBM_SETPOS, TRUE, 77);
  NMHDR header{speed, IDC_BLOBS_SPEED, NM_RELEASEDCAPTURE};
  SendMessageW(dialog, WM_NOTIFY, IDC_BLOBS_SPEED, reinterpret_cast<LPARAM>(&header));
  EXPECT_EQ(app().settings.GetValue(L"BlobsSpeed"), 77);
  EXPECT_EQ(app().settings.GetValue(L"BlobsSize"), 80);
}

TEST_F(ConfigDialogTest, LongLinesAreReadWhole) {
  // Far beyond the 260 characters of a classic path buffer.
  const std::wstring longPath = L"C:\\" + std::wstring(600, L'x') + L".jpg";
  SendMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({longPath})), 0);
  EXPECT_EQ(Line(2), longPath);
}

TEST_F(ConfigDialogTest, TextsGoToTheirControls) {
  SetDlgItemTextW(dialog, IDC_ADD, L"");
  ApplyDialogTexts();  // again: the scheme box is emptied first
  wchar_t text[64] = {};
  GetDlgItemTextW(dialog, IDC_ADD, text, 64);
  EXPECT_GT(std::wcslen(text), 0u);
  EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_FIRE_SCHEME, CB_GETCOUNT, 0, 0), 3);
  app().dialog = nullptr;
  ApplyDialogTexts();  // no dialog: nothing happens
}

TEST_F(ConfigDialogTest, EmptyListPaintsItsHint) {
  Command(IDC_REMOVE_ALL);
  ShowWindow(dialog, SW_SHOW);
  UpdateWindow(dialog);
  RECT client{};
  GetClientRect(list, &client);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  {
    ListBoxPainter painter(list, 0, memory);
    ASSERT_TRUE(painter.Begin());
    if (!painter.DrawBackground()) painter.DrawHints();
  }
  // Something other than plain white landed in the list: a picture or the blue hint lines.
  int coloured = 0;
  for (int y = 0; y < client.bottom; y += 2)
    for (int x = 0; x < client.right; x += 2)
      if (GetPixel(memory, x, y) != RGB(255, 255, 255)) ++coloured;
  EXPECT_GT(coloured, 20);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

TEST_F(ConfigDialogTest, PreviewTakesTheDialogsLiveChoices) {
  // The scene was built from the stored settings: style 0, no pictures shown.
  Scene& scene = SceneManager::GetScene();
  auto* fire = dynamic_cast<FireEffect*>(scene.effect.get());  // the unit tests' family
  ASSERT_NE(fire, nullptr);
  fire->style = 0;
  scene.showImages = 0;
  scene.settings.RemoveAllImages();
  scene.settings.AddImage(L"C:\\stored\\three.jpg");  // stored, but not in the dialog's list
  SendDlgItemMessageW(dialog, IDC_FIRE_SCHEME, CB_SETCURSEL, 1, 0);
  CheckDlgButton(dialog, IDC_SHOW_IMAGES, BST_CHECKED);
  const std::wstring longPath = L"C:\\" + std::wstring(400, L'p') + L".png";
  SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(longPath.c_str()));
  ApplyPreviewChoices(dialog);
  EXPECT_EQ(fire->style, 1);
  EXPECT_EQ(scene.showImages, 1);
  ASSERT_EQ(scene.settings.ImageCount(), 3);
  EXPECT_EQ(scene.settings.GetImage(0), L"C:\\stored\\one.jpg");
  EXPECT_EQ(scene.settings.GetImage(2), longPath);  // whole, not cut at 260 characters
  // The dialog's own choices are not the scene's: its store keeps what it had.
  EXPECT_EQ(app().settings.ImageCount(), 2);

  CheckDlgButton(dialog, IDC_SHOW_IMAGES, BST_UNCHECKED);
  ApplyPreviewChoices(dialog);
  EXPECT_EQ(scene.showImages, 0);
  scene.settings.RemoveAllImages();
  scene.pictures.Clear();
}
