#include "settings/SettingsLocation.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "settings/SettingsStore.h"

namespace {
constexpr wchar_t kUsersOwnFolder[] = L"Varnelle";

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// "X:\..." or "\\server\share\...": a folder given any other way would make the
// saver's current folder decide which file it reads.
bool IsFullPath(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]))
    return (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
  return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
}

std::wstring FileNameOf(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\/:");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

bool Exists(const std::wstring& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Makes the folder and whatever is missing above it; true when it stands afterwards.
bool MakeFolder(const std::wstring& folder) {
  for (size_t cut = folder.find_first_of(L"\\/"); cut != std::wstring::npos; cut = folder.find_first_of(L"\\/", cut + 1))
    if (cut > 0 && !IsSeparator(folder[cut - 1])) CreateDirectoryW(folder.substr(0, cut).c_str(), nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SaveTo(const SettingsStore& store, const std::wstring& path) { return !path.empty() && store.Save(path); }

std::wstring RoamingFolder() {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path)
    folder = path;
  CoTaskMemFree(path);
  return folder;
}
}  // namespace

SettingsFiles SettingsFilesFor(const std::wstring& program, std::wstring roamingFolder) {
  SettingsFiles files;
  files.besideProgram = SettingsPathFromProgram(program);
  while (roamingFolder.size() > 3 && IsSeparator(roamingFolder.back())) roamingFolder.pop_back();
  if (IsFullPath(roamingFolder)) {
    if (!IsSeparator(roamingFolder.back())) roamingFolder += L'\\';
    files.usersOwn = roamingFolder + kUsersOwnFolder + L"\\" + FileNameOf(files.besideProgram);
  }
  return files;
}

std::wstring SettingsFileToRead(const SettingsFiles& files) {
  return Exists(files.usersOwn) ? files.usersOwn : files.besideProgram;
}

SettingsSaveResult SaveSettings(const SettingsStore& store, const SettingsFiles& files) {
  // Saving beside the program while the user's own file exists would go unread.
  if (Exists(files.usersOwn)) return {SaveTo(store, files.usersOwn), files.usersOwn};
  if (SaveTo(store, files.besideProgram)) return {true, files.besideProgram};
  if (files.usersOwn.empty()) return {false, files.besideProgram};
  const std::wstring folder = files.usersOwn.substr(0, files.usersOwn.find_last_of(L'\\'));
  if (MakeFolder(folder) && SaveTo(store, files.usersOwn)) return {true, files.usersOwn};
  return {false, files.besideProgram + L"\n\n" + files.usersOwn};
}

SettingsFiles GetSettingsFiles() {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args || count < 1) {
    if (args) LocalFree(args);
    PostQuitMessage(0);
    return {};
  }
  const std::wstring program = args[0];
  LocalFree(args);
  return SettingsFilesFor(program, RoamingFolder());
}

std::wstring GetSettingsPath() { return SettingsFileToRead(GetSettingsFiles()); }
