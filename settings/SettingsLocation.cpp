#include "settings/SettingsLocation.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/ProgramPath.h"
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

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 3 && IsSeparator(path.back())) path.pop_back();
  return path;
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

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path) folder = path;
  CoTaskMemFree(path);
  return folder;
}

// Whether this user can make a file in the folder: a hidden file made and gone at
// once. The folder's access list alone would miss read-only media and Wine.
bool CanMakeFileIn(const std::wstring& folder) {
  const std::wstring probe = WithoutTrailingSeparators(folder) + L"\\.varnelle-probe-" +
                             std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
  CloseHandle(file);
  return true;
}
}  // namespace

SettingsFiles SettingsFilesFor(const std::wstring& program, std::wstring roamingFolder, SettingsHome home) {
  SettingsFiles files;
  files.home = home;
  files.besideProgram = SettingsPathFromProgram(program);
  roamingFolder = WithoutTrailingSeparators(roamingFolder);
  if (IsFullPath(roamingFolder)) {
    if (!IsSeparator(roamingFolder.back())) roamingFolder += L'\\';
    files.usersOwn = roamingFolder + kUsersOwnFolder + L"\\" + FileNameOf(files.besideProgram);
  }
  return files;
}

SettingsHome HomeOfFolder(const std::wstring& folder) {
  for (REFKNOWNFOLDERID id : {FOLDERID_Windows, FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86})
    if (IsWithinFolder(folder, KnownFolder(id))) return SettingsHome::UsersProfile;
  return CanMakeFileIn(folder) ? SettingsHome::BesideProgram : SettingsHome::UsersProfile;
}

std::wstring SettingsFileToRead(const SettingsFiles& files) {
  if (files.home == SettingsHome::UsersProfile && Exists(files.usersOwn)) return files.usersOwn;
  return files.besideProgram;
}

SettingsSaveResult SaveSettings(const SettingsStore& store, const SettingsFiles& files) {
  if (files.home == SettingsHome::BesideProgram)
    return {!files.besideProgram.empty() && store.Save(files.besideProgram), files.besideProgram};
  if (files.usersOwn.empty()) return {false, L"%APPDATA%\\" + std::wstring(kUsersOwnFolder)};
  const std::wstring folder = files.usersOwn.substr(0, files.usersOwn.find_last_of(L'\\'));
  return {MakeFolder(folder) && store.Save(files.usersOwn), files.usersOwn};
}

SettingsFiles GetSettingsFiles() {
  const std::wstring program = GetProgramPath();
  if (program.empty()) return {};  // nothing beside a program of no known place
  return SettingsFilesFor(program, KnownFolder(FOLDERID_RoamingAppData), HomeOfFolder(FolderOf(program)));
}
