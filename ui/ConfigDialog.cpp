#include "ui/ConfigDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>

#include "app/Lifecycle.h"
#include "app/SceneManager.h"
#include "res/resource.h"
#include "resources/Language.h"
#include "resources/LanguageTables.h"
#include "resources/TextStorage.h"
#include "settings/SettingsLocation.h"
#include "ui/DialogRules.h"
#include "ui/DialogLayout.h"
#include "ui/DialogTexts.h"
#include "ui/ImageListBox.h"
#include "ui/PreviewDialog.h"

namespace {
constexpr DWORD kOpenFileFlags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT;  // 0x81200
constexpr wchar_t kFilterDescription[] = L"Image Files";
constexpr wchar_t kFilterPattern[] = L"*.bmp;*.jpg;*.png;*.tiff;*.tif";

OpenFileDialogFunction g_openFileDialog = GetOpenFileNameW;

HWND ImageList(HWND dialog) { return GetDlgItem(dialog, IDC_IMAGE_LIST); }

int LineCount(HWND listBox) { return static_cast<int>(SendMessageW(listBox, LB_GETCOUNT, 0, 0)); }

// Adding or removing pictures moves the switch on screen; the store follows it, so
// that OK saves what the user sees.
void SetShowImages(HWND dialog, bool show) {
  CheckDlgButton(dialog, IDC_SHOW_IMAGES, show ? BST_CHECKED : BST_UNCHECKED);
  GetConfigDialogState().settings.SetValue(L"ShowImages", show ? 1 : 0);
}

void Repaint(HWND dialog) {
  InvalidateRect(ImageList(dialog), nullptr, TRUE);
  InvalidateRect(dialog, nullptr, TRUE);
}

void AddPicture(HWND dialog, const std::wstring& path) {
  AppendListLine(ImageList(dialog), path);
  GetConfigDialogState().settings.AddImage(path);
}

BOOL OnInitDialog(HWND dialog) {
  ConfigDialogState& state = GetConfigDialogState();
  SettingsStore& settings = state.settings;
  state.dialog = dialog;
  LoadLanguage();
  ApplyDialogTexts();
  FitSchemeRowToTexts(dialog);
  DragAcceptFiles(dialog, TRUE);
  SubclassImageListBox(ImageList(dialog));
  for (int id : {IDC_BLOBS_SPEED, IDC_BLOBS_SIZE})
    SendDlgItemMessageW(dialog, id, TBM_SETRANGE, FALSE, MAKELPARAM(1, 100));
  if (settings.ImageCount() == 0) settings.Load(GetSettingsPath());

  HWND list = ImageList(dialog);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (int i = 0; i < settings.ImageCount(); ++i) AppendListLine(list, settings.GetImage(i));
  SendDlgItemMessageW(dialog, IDC_BLOBS_SPEED, TBM_SETPOS, TRUE, settings.GetValue(L"BlobsSpeed"));
  SendDlgItemMessageW(dialog, IDC_BLOBS_SIZE, TBM_SETPOS, TRUE, settings.GetValue(L"BlobsSize"));
  CheckDlgButton(dialog, IDC_SHOW_IMAGES, settings.GetValue(L"ShowImages") != 0 ? BST_CHECKED : BST_UNCHECKED);
  // A stored style outside 0 to 2 leaves the box without a selection.
  SendDlgItemMessageW(dialog, IDC_FIRE_SCHEME, CB_SETCURSEL, settings.GetValue(L"SelectFireEffect"), 0);
  return TRUE;
}

void OnOk(HWND dialog) {
  SettingsStore& settings = GetConfigDialogState().settings;
  settings.SetValue(L"SelectFireEffect",
                    static_cast<int32_t>(SendDlgItemMessageW(dialog, IDC_FIRE_SCHEME, CB_GETCURSEL, 0, 0)));
  // Beside the saver where it may write there, otherwise (a system-folder install,
  // an ordinary user) in the user's own profile, silently.
  const SettingsSaveResult result = SaveSettings(settings, GetSettingsFiles());
  if (!result.saved) {
    // Closing now would lose every choice without a word: say so and stay open.
    const std::wstring caption = WorkSpace::Translate::GetTextStorage().GetText(23);
    MessageBoxW(dialog, SaveFailedMessage(CurrentLanguageIndex(), result.path).c_str(), caption.c_str(),
                MB_OK | MB_ICONERROR);
    return;
  }
  SceneManager::Reset();
  settings.RemoveAllImages();
  settings.Load(result.path);
  EndDialog(dialog, TRUE);
}

void OnShowImagesClicked(HWND dialog) {
  const LRESULT state = SendDlgItemMessageW(dialog, IDC_SHOW_IMAGES, BM_GETCHECK, 0, 0);
  if (state == BST_CHECKED) GetConfigDialogState().settings.SetValue(L"ShowImages", 1);
  if (state == BST_UNCHECKED) GetConfigDialogState().settings.SetValue(L"ShowImages", 0);
}

void OnPreview(HWND dialog) {
  ConfigDialogState& state = GetConfigDialogState();
  state.dialog = dialog;
  GetLifecycle().errorScreen = false;
  // The preview builds its scene from the settings file and this dialog's choices;
  // the choices being edited here stay as they are.
  DialogBoxParamW(state.moduleInstance, MAKEINTRESOURCEW(IDD_PREVIEW), dialog, PreviewDialogProc, 0);
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case IDOK: OnOk(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, FALSE); return TRUE;
    case IDC_ADD: AddImageFiles(dialog); return 0;
    case IDC_REMOVE: RemoveSelectedImage(dialog); return 0;
    case IDC_REMOVE_ALL: RemoveAllImageLines(dialog); return 0;
    case IDC_SHOW_IMAGES: OnShowImagesClicked(dialog); return 0;
    case IDC_PREVIEW: OnPreview(dialog); return 0;
    default: return 0;
  }
}

void OnTrackbarNotify(const NMHDR* header) {
  const int id = GetDlgCtrlID(header->hwndFrom);
  if (id != IDC_BLOBS_SPEED && id != IDC_BLOBS_SIZE) return;
  const auto position = static_cast<int32_t>(SendMessageW(header->hwndFrom, TBM_GETPOS, 0, 0));
  GetConfigDialogState().settings.SetValue(id == IDC_BLOBS_SPEED ? L"BlobsSpeed" : L"BlobsSize", position);
}

// Dropped pictures join the list like chosen ones; other files are passed over.
void OnDropFiles(HWND dialog, HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
    if (IsPictureFile(path)) AddPicture(dialog, path);
  }
  DragFinish(drop);
  Repaint(dialog);
}
}  // namespace

OpenFileState::OpenFileState()
    : filter(1024, L'\0'), file(65536, L'\0'), initialDir(1024, L'\0'), title(256, L'\0'), defExt(64, L'\0') {
  record.lStructSize = OPENFILENAME_SIZE_VERSION_400W;  // 76
  record.lpstrFilter = filter.data();
  record.lpstrFile = file.data();
  record.nMaxFile = static_cast<DWORD>(file.size());
  record.lpstrInitialDir = initialDir.data();
  record.lpstrTitle = title.data();
  record.lpstrDefExt = defExt.data();
}

void SetOpenFileDialogFunction(OpenFileDialogFunction function) {
  g_openFileDialog = function ? function : GetOpenFileNameW;
}

BOOL RegisterDialogClasses(HINSTANCE instance) {
  GetConfigDialogState().moduleInstance = instance;
  // No saver window exists in configuration mode: the dialog has no owner.
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_CONFIGURE), nullptr, ScreenSaverConfigureDialog, 0);
  return TRUE;
}

ConfigDialogState& GetConfigDialogState() {
  static ConfigDialogState state;
  return state;
}

OpenFileState& GetOpenFileState() { return GetConfigDialogState().openFile; }

INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND: return OnCommand(dialog, wParam);
    case WM_NOTIFY: OnTrackbarNotify(reinterpret_cast<const NMHDR*>(lParam)); return 0;
    case WM_DROPFILES: OnDropFiles(dialog, reinterpret_cast<HDROP>(wParam)); return 0;
    default: return 0;
  }
}

void AppendListLine(HWND listBox, const std::wstring& path) {
  if (!listBox || LineCount(listBox) >= kMaxListLines) return;
  SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

std::vector<std::wstring> SplitOpenFileResult(OpenFileState& state) {
  OpenFileResult result = SplitFileList(state.file.data(), state.file.size());
  if (!result.directory.empty()) {
    // The next dialog opens in this folder; one too long for the buffer is not kept.
    const std::wstring folder = result.directory + L"\\";
    if (folder.size() < state.initialDir.size()) {
      std::fill(state.initialDir.begin(), state.initialDir.end(), L'\0');
      std::copy(folder.begin(), folder.end(), state.initialDir.begin());
    }
  }
  return std::move(result.paths);
}

void AddImageFiles(HWND owner) {
  OpenFileState& state = GetOpenFileState();
  state.record.hwndOwner = owner;
  state.record.hInstance = GetModuleHandleW(nullptr);
  state.record.Flags = kOpenFileFlags;
  // "Image Files\0*.bmp;...\0\0": description, pattern, and the empty end mark.
  std::fill(state.filter.begin(), state.filter.end(), L'\0');
  std::wcscpy(state.filter.data(), kFilterDescription);
  std::wcscpy(state.filter.data() + std::size(kFilterDescription), kFilterPattern);
  // The last answer is no starting name; left there, its folder would outrank the
  // initial folder and the dialog would open one level up.
  std::fill(state.file.begin(), state.file.end(), L'\0');
  // An empty title buffer means the system's own title, which needs a null pointer.
  state.record.lpstrTitle = state.title[0] ? state.title.data() : nullptr;
  if (!g_openFileDialog(&state.record)) return;

  HWND dialog = GetConfigDialogState().dialog;
  for (const std::wstring& path : SplitOpenFileResult(state)) AddPicture(dialog, path);
  if (LineCount(ImageList(dialog)) > 0) SetShowImages(dialog, true);
  Repaint(dialog);
}

void RemoveSelectedImage(HWND dialog) {
  SettingsStore& settings = GetConfigDialogState().settings;
  HWND list = ImageList(dialog);
  const int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
  if (selected >= 0) {
    SendMessageW(list, LB_DELETESTRING, selected, 0);
    if (selected < settings.ImageCount()) settings.RemoveImage(selected);
  }
  const int next = SelectionAfterRemoval(selected, LineCount(list));
  if (next >= 0) SendMessageW(list, LB_SETCURSEL, next, 0);
  if (LineCount(list) == 0) SetShowImages(dialog, false);
}

void RemoveAllImageLines(HWND dialog) {
  SendMessageW(ImageList(dialog), LB_RESETCONTENT, 0, 0);
  GetConfigDialogState().settings.RemoveAllImages();
  SetShowImages(dialog, false);
}
