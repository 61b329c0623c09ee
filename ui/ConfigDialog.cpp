#include "ui/ConfigDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include "platform/Handles.h"
#include "res/resource.h"
#include "resources/Language.h"
#include "resources/LanguageTables.h"
#include "resources/TextStorage.h"
#include "settings/SettingsLocation.h"
#include "ui/DialogRules.h"
#include "ui/DialogLayout.h"
#include "ui/DialogTexts.h"
#include "ui/ImageListBox.h"
#include "ui/PicturePicker.h"
#include "ui/PreviewDialog.h"

namespace {
constexpr uint32_t kPictureFilesText = 55;
constexpr uint32_t kPickerFailedText = 56;
constexpr uint32_t kCaptionText = 23;

HWND ImageList(HWND dialog) { return GetDlgItem(dialog, IDC_IMAGE_LIST); }

// The dialog's own state, set from its creation parameter at WM_INITDIALOG.
ConfigDialogState* StateOf(HWND dialog) {
  return reinterpret_cast<ConfigDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// The dialog's on/off choices beside the picture switch, each written only when on.
struct Switch {
  int control;
  int32_t SettingsValues::*member;
};
constexpr Switch kSwitches[] = {
    {IDC_MAIN_MONITOR_ONLY, &SettingsValues::mainMonitorOnly},
    {IDC_WHOLE_PICTURES, &SettingsValues::showWholePictures},
    {IDC_SHUFFLE_PICTURES, &SettingsValues::shufflePictures},
};

int LineCount(HWND listBox) { return static_cast<int>(SendMessageW(listBox, LB_GETCOUNT, 0, 0)); }

// Adding or removing pictures moves the switch on screen; the store follows it, so
// that OK saves what the user sees.
void SetShowImages(HWND dialog, bool show) {
  CheckDlgButton(dialog, IDC_SHOW_IMAGES, show ? BST_CHECKED : BST_UNCHECKED);
  StateOf(dialog)->settings.Choices().showImages = show ? 1 : 0;
}

void Repaint(HWND dialog) {
  InvalidateRect(ImageList(dialog), nullptr, TRUE);
  InvalidateRect(dialog, nullptr, TRUE);
}

// The store takes only what the list box took, so that both keep the same lines.
void AddPicture(HWND dialog, const std::wstring& path, ListEntryKind kind) {
  if (AppendListLine(ImageList(dialog), path, kind)) StateOf(dialog)->settings.AddImage(path);
}

PathOnDisk LookUpPath(const std::wstring& path) {
  // A full path longer than the classic limit is found only with the long-path prefix.
  const bool longPath = path.size() >= MAX_PATH && path.size() > 2 && path[1] == L':';
  const DWORD attributes = GetFileAttributesW((longPath ? L"\\\\?\\" + path : path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathOnDisk::Missing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathOnDisk::Folder : PathOnDisk::File;
}

// Shows the file or folder dialog; a dialog that could not be shown is said, not
// taken for a cancel.
std::vector<std::wstring> AskForPaths(HWND owner, PickKind kind) {
  ConfigDialogState& state = *StateOf(owner);
  const auto& texts = WorkSpace::Translate::GetTextStorage();
  PickRequest request;
  request.owner = owner;
  request.kind = kind;
  request.startFolder = state.lastFolder;
  request.filterName = texts.GetText(kPictureFilesText);
  PickResult result = Pick(request);
  if (result.outcome == PickResult::Outcome::Failed) {
    MessageBoxW(owner, texts.GetText(kPickerFailedText).c_str(), texts.GetText(kCaptionText).c_str(),
                MB_OK | MB_ICONERROR);
    return {};
  }
  if (result.outcome != PickResult::Outcome::Chosen || result.paths.empty()) return {};
  const std::wstring folder = FolderOfChoice(result.paths.front());
  if (!folder.empty()) state.lastFolder = folder;
  return std::move(result.paths);
}

// Lines added by a dialog turn the picture switch on, as the user surely wants to see them.
void AddChosen(HWND dialog, const std::vector<std::wstring>& paths, ListEntryKind kind) {
  if (paths.empty()) return;
  for (const std::wstring& path : paths) AddPicture(dialog, path, kind);
  if (LineCount(ImageList(dialog)) > 0) SetShowImages(dialog, true);
  Repaint(dialog);
}

// A dialog started elevated (by the setup, or from an administrator's prompt) runs
// above Explorer's integrity level, and Windows stops the messages of a drag from
// there unless the window lets them through. Windows before 7 has no such barrier.
void LetDropsThroughIntegrityBarrier(HWND dialog) {
  using Filter = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  const auto filter = platform::ModuleFunction<Filter>(GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilterEx");
  if (!filter) return;
  constexpr UINT kCopyGlobalData = 0x0049;  // carries the dropped file list between levels
  constexpr DWORD kAllow = 1;               // MSGFLT_ALLOW
  for (const UINT message : {UINT{WM_DROPFILES}, UINT{WM_COPYDATA}, kCopyGlobalData}) filter(dialog, message, kAllow, nullptr);
}

BOOL OnInitDialog(HWND dialog, ConfigDialogState& state) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
  SettingsStore& settings = state.settings;
  LoadLanguage();
  ApplyDialogTexts(dialog);
  FitSchemeRowToTexts(dialog);
  DragAcceptFiles(dialog, TRUE);
  LetDropsThroughIntegrityBarrier(dialog);
  SubclassImageListBox(ImageList(dialog));
  for (const auto& [id, member] : {std::pair{IDC_BLOBS_SPEED, &SettingsValues::blobsSpeed},
                                   std::pair{IDC_BLOBS_SIZE, &SettingsValues::blobsSize}})
    SendDlgItemMessageW(dialog, id, TBM_SETRANGE, FALSE, MAKELPARAM(FieldOf(member).low, FieldOf(member).high));
  state.files = GetSettingsFiles();
  if (settings.ImageCount() == 0) {
    const std::wstring path = SettingsFileToRead(state.files);
    state.unreadableFile = settings.Load(path) == SettingsRead::Unreadable ? path : std::wstring();
  }

  HWND list = ImageList(dialog);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (int i = 0; i < settings.ImageCount(); ++i) AppendListLine(list, settings.GetImage(i));
  SendDlgItemMessageW(dialog, IDC_BLOBS_SPEED, TBM_SETPOS, TRUE, settings.Choices().blobsSpeed);
  SendDlgItemMessageW(dialog, IDC_BLOBS_SIZE, TBM_SETPOS, TRUE, settings.Choices().blobsSize);
  CheckDlgButton(dialog, IDC_SHOW_IMAGES, settings.Choices().showImages != 0 ? BST_CHECKED : BST_UNCHECKED);
  // A stored style outside 0 to 2 leaves the box without a selection.
  SendDlgItemMessageW(dialog, IDC_FIRE_SCHEME, CB_SETCURSEL, settings.Choices().selectFireEffect, 0);
  for (const Switch& s : kSwitches)
    CheckDlgButton(dialog, s.control, settings.Choices().*s.member == 1 ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void OnOk(HWND dialog) {
  ConfigDialogState& state = *StateOf(dialog);
  SettingsStore& settings = state.settings;
  const std::wstring caption = WorkSpace::Translate::GetTextStorage().GetText(23);
  if (!state.unreadableFile.empty()) {
    // Saving now would replace the stored list with the defaults shown here.
    MessageBoxW(dialog, UnreadableSettingsMessage(CurrentLanguageIndex(), state.unreadableFile).c_str(),
                caption.c_str(), MB_OK | MB_ICONERROR);
    return;
  }
  // Where the dialog read: beside a portable copy, in the profile for an installed one.
  const SettingsSaveResult result = SaveSettings(settings, state.files);
  if (!result.saved) {
    // Closing now would lose every choice without a word: say so and stay open.
    MessageBoxW(dialog, SaveFailedMessage(CurrentLanguageIndex(), result.path).c_str(), caption.c_str(),
                MB_OK | MB_ICONERROR);
    return;
  }
  settings.RemoveAllImages();
  settings.Load(result.path);
  EndDialog(dialog, TRUE);
}

// Each control writes the dialog's copy of the choices as it changes: OK saves that
// copy and the preview draws it.
void OnShowImagesClicked(HWND dialog) {
  const LRESULT state = SendDlgItemMessageW(dialog, IDC_SHOW_IMAGES, BM_GETCHECK, 0, 0);
  if (state == BST_CHECKED) StateOf(dialog)->settings.Choices().showImages = 1;
  if (state == BST_UNCHECKED) StateOf(dialog)->settings.Choices().showImages = 0;
}

void OnSwitchClicked(HWND dialog, const Switch& s) {
  StateOf(dialog)->settings.Choices().*s.member = IsDlgButtonChecked(dialog, s.control) == BST_CHECKED ? 1 : 0;
}

void OnSchemeChanged(HWND dialog) {
  StateOf(dialog)->settings.Choices().selectFireEffect =
      static_cast<int32_t>(SendDlgItemMessageW(dialog, IDC_FIRE_SCHEME, CB_GETCURSEL, 0, 0));
}

void OnPreview(HWND dialog) {
  const ConfigDialogState& state = *StateOf(dialog);
  ShowPreview(state.moduleInstance, dialog, state.settings);
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case IDOK: OnOk(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, FALSE); return TRUE;
    case IDC_ADD: AddImageFiles(dialog); return 0;
    case IDC_REMOVE: RemoveSelectedImage(dialog); return 0;
    case IDC_REMOVE_ALL: RemoveAllImageLines(dialog); return 0;
    case IDC_SHOW_IMAGES: OnShowImagesClicked(dialog); return 0;
    case IDC_FIRE_SCHEME:
      if (HIWORD(wParam) == CBN_SELCHANGE) OnSchemeChanged(dialog);
      return 0;
    case IDC_PREVIEW: OnPreview(dialog); return 0;
    default:
      for (const Switch& s : kSwitches)
        if (LOWORD(wParam) == s.control) OnSwitchClicked(dialog, s);
      return 0;
  }
}

void OnTrackbarNotify(HWND dialog, const NMHDR* header) {
  const int id = GetDlgCtrlID(header->hwndFrom);
  if (id != IDC_BLOBS_SPEED && id != IDC_BLOBS_SIZE) return;
  const auto position = static_cast<int32_t>(SendMessageW(header->hwndFrom, TBM_GETPOS, 0, 0));
  SettingsValues& choices = StateOf(dialog)->settings.Choices();
  (id == IDC_BLOBS_SPEED ? choices.blobsSpeed : choices.blobsSize) = position;
}

// Dropped pictures and folders join the list like chosen ones; other files are passed over.
void OnDropFiles(HWND dialog, HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
    if (const auto kind = DroppedEntryKind(path, LookUpPath(path))) AddPicture(dialog, path, *kind);
  }
  DragFinish(drop);
  Repaint(dialog);
}
}  // namespace

BOOL RegisterDialogClasses(HINSTANCE instance) {
  ConfigDialogState state;
  state.moduleInstance = instance;
  // No saver window exists in configuration mode: the dialog has no owner.
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_CONFIGURE), nullptr, ScreenSaverConfigureDialog,
                  reinterpret_cast<LPARAM>(&state));
  return TRUE;
}

INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // An exception (memory running out with a huge list, say) must not cross into the
  // system's dispatch and end the process: the message counts as not handled, and
  // the user's stored file stays as it was.
  try {
    return ConfigureDialogMessage(dialog, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

INT_PTR ConfigureDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog(dialog, *reinterpret_cast<ConfigDialogState*>(lParam));
  if (!StateOf(dialog)) return 0;  // before WM_INITDIALOG (the font) there is no state yet
  switch (message) {
    case WM_COMMAND: return OnCommand(dialog, wParam);
    case WM_NOTIFY: OnTrackbarNotify(dialog, reinterpret_cast<const NMHDR*>(lParam)); return 0;
    case WM_DROPFILES: OnDropFiles(dialog, reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_DRAWITEM: return DrawListLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    default: return 0;
  }
}

bool AppendListLine(HWND listBox, const std::wstring& path) {
  return AppendListLine(listBox, path, StoredEntryKind(path, [&] { return LookUpPath(path); }));
}

bool AppendListLine(HWND listBox, const std::wstring& path, ListEntryKind kind) {
  return listBox && AddListLine(listBox, path, kind) >= 0;
}

void AddImageFiles(HWND dialog) {
  AddChosen(dialog, AskForPaths(dialog, PickKind::Pictures), ListEntryKind::Picture);
}

void AddImageFolder(HWND dialog) {
  AddChosen(dialog, AskForPaths(dialog, PickKind::Folder), ListEntryKind::Folder);
}

void RemoveSelectedImage(HWND dialog) {
  SettingsStore& settings = StateOf(dialog)->settings;
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
  StateOf(dialog)->settings.RemoveAllImages();
  SetShowImages(dialog, false);
}
