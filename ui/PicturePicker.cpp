#include "ui/PicturePicker.h"

#include <objbase.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "ui/DialogRules.h"

using Microsoft::WRL::ComPtr;

namespace {
PickerFunction g_picker = ShowSystemPicker;

// The shell's dialogs need COM on the calling thread; nothing else in the process
// does, so it lives as long as one dialog.
class ComApartment {
public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  // A thread already in the multithreaded apartment can still try.
  bool Usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
  HRESULT result_;
};

bool FileSystemPath(IShellItem* item, std::wstring& path) {
  PWSTR name = nullptr;
  if (!item || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)) || !name) return false;
  path = name;
  CoTaskMemFree(name);
  return !path.empty();
}

void Configure(IFileOpenDialog* dialog, const PickRequest& request, const std::wstring& pattern) {
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  options |= FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR;
  options |= request.kind == PickKind::Folder ? FOS_PICKFOLDERS : FOS_ALLOWMULTISELECT | FOS_FILEMUSTEXIST;
  dialog->SetOptions(options);
  if (request.kind == PickKind::Pictures) {
    const COMDLG_FILTERSPEC filter{request.filterName.c_str(), pattern.c_str()};
    dialog->SetFileTypes(1, &filter);
    dialog->SetFileTypeIndex(1);
  }
  // A start folder that is gone (an unplugged drive) leaves the system's choice.
  ComPtr<IShellItem> folder;
  if (!request.startFolder.empty() &&
      SUCCEEDED(SHCreateItemFromParsingName(request.startFolder.c_str(), nullptr, IID_PPV_ARGS(&folder))))
    dialog->SetFolder(folder.Get());
}

void CollectResults(IFileOpenDialog* dialog, PickKind kind, std::vector<std::wstring>& paths) {
  std::wstring path;
  if (kind == PickKind::Folder) {
    ComPtr<IShellItem> item;
    if (SUCCEEDED(dialog->GetResult(&item)) && FileSystemPath(item.Get(), path)) paths.push_back(path);
    return;
  }
  ComPtr<IShellItemArray> items;
  DWORD count = 0;
  if (FAILED(dialog->GetResults(&items)) || FAILED(items->GetCount(&count))) return;
  paths.reserve(count);
  for (DWORD i = 0; i < count; ++i) {
    ComPtr<IShellItem> item;
    if (SUCCEEDED(items->GetItemAt(i, &item)) && FileSystemPath(item.Get(), path)) paths.push_back(path);
  }
}
}  // namespace

PickResult ShowSystemPicker(const PickRequest& request) {
  PickResult result;
  const ComApartment apartment;
  ComPtr<IFileOpenDialog> dialog;
  if (!apartment.Usable() ||
      FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog)))) {
    result.outcome = PickResult::Outcome::Failed;
    return result;
  }
  const std::wstring pattern = PicturePattern();
  Configure(dialog.Get(), request, pattern);
  const HRESULT shown = dialog->Show(request.owner);
  if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return result;
  if (FAILED(shown)) {
    result.outcome = PickResult::Outcome::Failed;
    return result;
  }
  CollectResults(dialog.Get(), request.kind, result.paths);
  // Released while the apartment still stands.
  dialog.Reset();
  result.outcome = result.paths.empty() ? PickResult::Outcome::Cancelled : PickResult::Outcome::Chosen;
  return result;
}

void SetPickerFunction(PickerFunction function) { g_picker = function ? function : ShowSystemPicker; }

PickResult Pick(const PickRequest& request) { return g_picker(request); }
