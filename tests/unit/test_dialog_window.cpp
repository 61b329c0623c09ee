// The configuration dialog in this process: its template, a stand-in file and
// folder dialog, dropped-file handles built here.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "res/resource.h"
#include "resources/TextStorage.h"
#include "ui/ConfigDialog.h"
#include "ui/DialogTexts.h"
#include "ui/ImageListBox.h"
#include "ui/PicturePicker.h"
#include "ui/PreviewDialog.h"

namespace {
// The stand-in file and folder dialog: what it "chooses", and what it was asked.
PickResult g_answer;
std::vector<PickRequest> g_requests;

PickResult FakePicker(const PickRequest& request) {
  g_requests.push_back(request);
  return g_answer;
}

PickResult Chosen(std::vector<std::wstring> paths) {
  return PickResult{PickResult::Outcome::Chosen, std::move(paths)};
}

// A folder of its own under the temporary folder, removed with what it holds.
class TempFolder {
public:
  TempFolder() : root_(std::filesystem::temp_directory_path() / L"varnelle-dialog") {
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  std::wstring Folder(const std::wstring& name) {
    std::filesystem::create_directories(root_ / name);
    return (root_ / name).wstring();
  }
  std::wstring File(const std::wstring& name) {
    std::ofstream(root_ / name).close();
    return (root_ / name).wstring();
  }

private:
  std::filesystem::path root_;
};

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
    app().lastFolder.clear();
    g_answer = PickResult{};
    g_requests.clear();
    SetPickerFunction(FakePicker);
    Open();
  }
  void TearDown() override {
    if (dialog) DestroyWindow(dialog);
    SetPickerFunction(nullptr);
  }
  // The dialog as the store now is.
  void Open() {
    if (dialog) DestroyWindow(dialog);
    dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CONFIGURE), nullptr,
                                ScreenSaverConfigureDialog, reinterpret_cast<LPARAM>(&state_));
    ASSERT_NE(dialog, nullptr);
    list = GetDlgItem(dialog, IDC_IMAGE_LIST);
  }
  std::vector<std::wstring> StoredImages() const {
    std::vector<std::wstring> images;
    for (int i = 0; i < app().settings.ImageCount(); ++i) images.push_back(app().settings.GetImage(i));
    return images;
  }
  ConfigDialogState& app() { return state_; }
  const ConfigDialogState& app() const { return state_; }
  int Lines() const { return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); }
  std::wstring Line(int i) const { return ReadListBoxLines(list).at(i); }
  int Selection() const { return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)); }
  bool Checked() const { return IsDlgButtonChecked(dialog, IDC_SHOW_IMAGES) == BST_CHECKED; }
  void Command(int id) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

  HWND dialog = nullptr;
  HWND list = nullptr;

private:
  ConfigDialogState state_;
};
}  // namespace

TEST_F(ConfigDialogTest, InitialisationShowsTheStore) {
  EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_USER), reinterpret_cast<LONG_PTR>(&app()));
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

TEST_F(ConfigDialogTest, AddTakesEveryChosenFileInOrderAndOpensThereNextTime) {
  g_answer = Chosen({L"C:\\Photos\\c.jpg", L"C:\\Photos\\a.jpg", L"C:\\Photos\\b.jpg"});
  Command(IDC_ADD);
  ASSERT_EQ(g_requests.size(), 1u);
  EXPECT_EQ(g_requests[0].kind, PickKind::Pictures);
  EXPECT_EQ(g_requests[0].owner, dialog);
  EXPECT_EQ(g_requests[0].startFolder, L"");  // the system's choice the first time
  EXPECT_FALSE(g_requests[0].filterName.empty());
  EXPECT_EQ(ReadListBoxLines(list), (std::vector<std::wstring>{L"C:\\stored\\one.jpg", L"C:\\stored\\two.png",
                                                               L"C:\\Photos\\c.jpg", L"C:\\Photos\\a.jpg",
                                                               L"C:\\Photos\\b.jpg"}));
  EXPECT_EQ(StoredImages(), ReadListBoxLines(list));
  EXPECT_EQ(ListLineKind(list, 4), ListEntryKind::Picture);
  EXPECT_TRUE(Checked());
  EXPECT_EQ(app().settings.GetValue(L"ShowImages"), 1);  // the store follows the box

  g_answer = PickResult{};  // cancelled: nothing changes
  Command(IDC_ADD);
  ASSERT_EQ(g_requests.size(), 2u);
  EXPECT_EQ(g_requests[1].startFolder, L"C:\\Photos");
  EXPECT_EQ(Lines(), 5);
  EXPECT_EQ(app().settings.ImageCount(), 5);
}

TEST_F(ConfigDialogTest, AThousandFilesAllShowAndStayInStepWithTheStore) {
  std::vector<std::wstring> chosen;
  for (int i = 0; i < 1000; ++i) chosen.push_back(L"D:\\x\\f" + std::to_wstring(i) + L".jpg");
  g_answer = Chosen(chosen);
  Command(IDC_ADD);
  ASSERT_EQ(Lines(), 1002);
  EXPECT_EQ(StoredImages(), ReadListBoxLines(list));
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
  EXPECT_EQ(StoredImages(), ReadListBoxLines(list));
}

TEST_F(ConfigDialogTest, AddFolderAddsOneMarkedLineWithTheExactPath) {
  g_answer = Chosen({L"E:\\Camera Roll\\2023"});
  AddImageFolder(dialog);
  ASSERT_EQ(g_requests.size(), 1u);
  EXPECT_EQ(g_requests[0].kind, PickKind::Folder);
  ASSERT_EQ(Lines(), 3);
  EXPECT_EQ(Line(2), L"E:\\Camera Roll\\2023");
  EXPECT_EQ(app().settings.GetImage(2), L"E:\\Camera Roll\\2023");
  EXPECT_EQ(ListLineKind(list, 2), ListEntryKind::Folder);
  EXPECT_EQ(ListLineKind(list, 1), ListEntryKind::Picture);
  EXPECT_TRUE(Checked());

  // The next dialog, of either kind, opens beside the chosen folder.
  g_answer = PickResult{};
  Command(IDC_ADD);
  EXPECT_EQ(g_requests.back().startFolder, L"E:\\Camera Roll");
  EXPECT_EQ(Lines(), 3);
}

namespace {
struct BoxWatch {
  HWND dialog;
  std::wstring text;
  bool closed = false;
};

BOOL CALLBACK CloseMessageBox(HWND window, LPARAM param) {
  auto* watch = reinterpret_cast<BoxWatch*>(param);
  wchar_t cls[16] = {};
  GetClassNameW(window, cls, 16);
  if (window == watch->dialog || std::wstring(cls) != L"#32770" || !IsWindowVisible(window)) return TRUE;
  wchar_t text[256] = {};
  GetDlgItemTextW(window, 0xFFFF, text, 256);  // the message's static text
  watch->text = text;
  watch->closed = true;
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return FALSE;
}
}  // namespace

TEST_F(ConfigDialogTest, AFileDialogThatCannotOpenIsSaidAndChangesNothing) {
  g_answer.outcome = PickResult::Outcome::Failed;
  BoxWatch watch{dialog};
  const DWORD thread = GetCurrentThreadId();
  std::thread closer([&] {
    for (int i = 0; i < 400 && !watch.closed; ++i) {
      EnumThreadWindows(thread, CloseMessageBox, reinterpret_cast<LPARAM>(&watch));
      Sleep(25);
    }
  });
  AddImageFolder(dialog);
  closer.join();
  EXPECT_TRUE(watch.closed);
  EXPECT_EQ(watch.text, WorkSpace::Translate::GetTextStorage().GetText(56));
  EXPECT_EQ(Lines(), 2);
  EXPECT_EQ(app().settings.ImageCount(), 2);
  EXPECT_FALSE(Checked());
  EXPECT_EQ(app().lastFolder, L"");
}

TEST_F(ConfigDialogTest, RemoveWithAndWithoutSelection) {
  g_answer = Chosen({L"C:\\P\\3.jpg", L"C:\\P\\4.jpg"});
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

TEST_F(ConfigDialogTest, ADropAddsFoldersAsOneLineAndPicturesButNoOtherFiles) {
  TempFolder temp;
  const std::wstring trip = temp.Folder(L"Trip");
  const std::wstring photo = temp.File(L"HOLIDAY.JPG");
  const std::wstring notes = temp.File(L"notes.txt");
  const std::wstring oddFolder = temp.Folder(L"scans.png");  // a folder named like a picture
  temp.File(L"Trip\\inside.jpg");                            // taken with its folder, not alone
  SendMessageW(dialog, WM_DROPFILES,
               reinterpret_cast<WPARAM>(MakeDrop({trip, photo, notes, oddFolder, L"C:\\gone\\scan.Tif"})), 0);
  EXPECT_EQ(ReadListBoxLines(list), (std::vector<std::wstring>{L"C:\\stored\\one.jpg", L"C:\\stored\\two.png", trip,
                                                               photo, oddFolder, L"C:\\gone\\scan.Tif"}));
  EXPECT_EQ(StoredImages(), ReadListBoxLines(list));
  EXPECT_EQ(ListLineKind(list, 2), ListEntryKind::Folder);
  EXPECT_EQ(ListLineKind(list, 3), ListEntryKind::Picture);
  EXPECT_EQ(ListLineKind(list, 4), ListEntryKind::Folder);
  EXPECT_EQ(ListLineKind(list, 5), ListEntryKind::Picture);
  EXPECT_FALSE(Checked());  // a drop leaves the switch alone
}

TEST_F(ConfigDialogTest, StoredLinesAreMarkedWhenTheDialogOpens) {
  TempFolder temp;
  const std::wstring album = temp.Folder(L"Album");
  const std::wstring photo = temp.File(L"beach.png");
  app().settings.RemoveAllImages();
  for (const std::wstring& path : {album, std::wstring(L"Q:\\Offline"), std::wstring(L"Q:\\Offline\\a.jpg"), photo})
    app().settings.AddImage(path);
  Open();
  EXPECT_EQ(ReadListBoxLines(list), StoredImages());
  EXPECT_EQ(ListLineKind(list, 0), ListEntryKind::Folder);
  EXPECT_EQ(ListLineKind(list, 1), ListEntryKind::Folder);  // not plugged in, but named like a folder
  EXPECT_EQ(ListLineKind(list, 2), ListEntryKind::Picture);
  EXPECT_EQ(ListLineKind(list, 3), ListEntryKind::Picture);
}

namespace {
// Non-background pixels of a memory DC in a box.
int Marked(HDC dc, int left, int top, int right, int bottom, COLORREF background) {
  int count = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (GetPixel(dc, x, y) != background) ++count;
  return count;
}
}  // namespace

TEST_F(ConfigDialogTest, FolderLinesAreDrawnWithTheirMarkAndTheTextStaysWhole) {
  const std::wstring longFolder = L"C:\\" + std::wstring(300, L'f') + L"\\Album";
  ASSERT_TRUE(AppendListLine(list, longFolder, ListEntryKind::Folder));
  const int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  ASSERT_GE(height, 10);  // as tall as the dialog's font, not the bare default
  RECT client{};
  GetClientRect(list, &client);
  const int width = client.right;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  auto draw = [&](UINT line, UINT state) {
    DRAWITEMSTRUCT item{ODT_LISTBOX, IDC_IMAGE_LIST, line, ODA_DRAWENTIRE, state, list, memory, {0, 0, width, height}, 0};
    return DrawListLine(item);
  };

  ASSERT_TRUE(draw(0, 0));  // a picture: nothing before its text
  EXPECT_EQ(Marked(memory, 0, 0, height, height, window), 0);
  EXPECT_GT(Marked(memory, height, 0, width, height, window), 20);

  ASSERT_TRUE(draw(2, 0));  // the folder: its mark, and text after it
  EXPECT_GT(Marked(memory, 0, 0, height, height, window), height * 2);
  EXPECT_GT(Marked(memory, height, 0, width, height, window), 20);
  // Shortened on screen only: the line still reads whole.
  EXPECT_EQ(Line(2), longFolder);

  ASSERT_TRUE(draw(2, ODS_SELECTED));
  EXPECT_EQ(GetPixel(memory, width - 1, 0), GetSysColor(COLOR_HIGHLIGHT));

  DRAWITEMSTRUCT other{ODT_LISTBOX, IDC_FIRE_SCHEME, 0, ODA_DRAWENTIRE, 0, list, memory, {0, 0, width, height}, 0};
  EXPECT_FALSE(DrawListLine(other));  // not the picture list's
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
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
  ApplyDialogTexts(dialog);  // again: the scheme box is emptied first
  wchar_t text[64] = {};
  GetDlgItemTextW(dialog, IDC_ADD, text, 64);
  EXPECT_GT(std::wcslen(text), 0u);
  EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_FIRE_SCHEME, CB_GETCOUNT, 0, 0), 3);
  ApplyDialogTexts(nullptr);  // no dialog: nothing happens
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

// The dialog's copy is what the preview draws and OK saves: every control writes it
// as it changes.
TEST_F(ConfigDialogTest, ControlsWriteTheDialogsCopyAsTheyChange) {
  SendDlgItemMessageW(dialog, IDC_FIRE_SCHEME, CB_SETCURSEL, 1, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FIRE_SCHEME, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_FIRE_SCHEME)));
  CheckDlgButton(dialog, IDC_MAIN_MONITOR_ONLY, BST_CHECKED);
  Command(IDC_MAIN_MONITOR_ONLY);
  const std::wstring longPath = L"C:\\" + std::wstring(400, L'p') + L".png";
  g_answer = Chosen({longPath});
  Command(IDC_ADD);
  const SettingsStore& choices = app().settings;
  EXPECT_EQ(choices.Choices().selectFireEffect, 1);
  EXPECT_EQ(choices.Choices().mainMonitorOnly, 1);
  EXPECT_EQ(choices.Choices().showImages, 1);
  ASSERT_EQ(choices.ImageCount(), 3);
  EXPECT_EQ(choices.GetImage(0), L"C:\\stored\\one.jpg");
  EXPECT_EQ(choices.GetImage(2), longPath);  // whole, not cut at 260 characters

  CheckDlgButton(dialog, IDC_MAIN_MONITOR_ONLY, BST_UNCHECKED);
  Command(IDC_MAIN_MONITOR_ONLY);
  EXPECT_EQ(choices.Choices().mainMonitorOnly, 0);
  for (int id : {IDC_WHOLE_PICTURES, IDC_SHUFFLE_PICTURES}) {
    CheckDlgButton(dialog, id, BST_CHECKED);
    Command(id);
  }
  EXPECT_EQ(choices.Choices().showWholePictures, 1);
  EXPECT_EQ(choices.Choices().shufflePictures, 1);
}

namespace {
PickResult RunsOutOfMemory(const PickRequest&) { throw std::bad_alloc(); }
}  // namespace

// Memory running out inside a command must not take the process (and with it the
// user's unsaved choices) down: the command is passed over, the dialog goes on.
TEST_F(ConfigDialogTest, AnAllocationFailureInACommandLeavesTheDialogWorking) {
  SetPickerFunction(RunsOutOfMemory);
  EXPECT_EQ(ScreenSaverConfigureDialog(dialog, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0), 0);
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_EQ(Lines(), 2);
  EXPECT_EQ(app().settings.ImageCount(), 2);
  SetPickerFunction(FakePicker);
  Command(IDC_REMOVE_ALL);  // and it still does what it is told
  EXPECT_EQ(Lines(), 0);
}
