#pragma once
#include <string>

class SettingsStore;

// Where one saver keeps one user's choices.
// - A portable copy, in a folder its user can write, keeps them beside itself: two
//   copies in two folders never share a file.
// - An installed saver (in the Windows or a Program Files folder, or any folder
//   its user cannot write) keeps each user's in that user's roaming profile and
//   writes nothing beside itself, elevated or not. A file beside it, left by an
//   earlier version or an administrator, is read as the user's starting point
//   until the user's own file exists; the saver never deletes it.
// Neither kind reads the other's file.
enum class SettingsHome { BesideProgram, UsersProfile };

struct SettingsFiles {
  std::wstring besideProgram;
  std::wstring usersOwn;  // "" when the profile folder is unknown
  SettingsHome home = SettingsHome::BesideProgram;
};

// For the program's path and the user's roaming application-data folder: the name
// of the file beside the program, in the folder's "Varnelle" folder. A folder that
// is not a full path gives no file of the user's own.
SettingsFiles SettingsFilesFor(const std::wstring& program, std::wstring roamingFolder, SettingsHome home);

// The home of a saver in `folder`: the user's profile for the Windows and Program
// Files folders (by name, so that an elevated run agrees with an ordinary one) and
// for a folder in which no file can be made; beside the program otherwise.
SettingsHome HomeOfFolder(const std::wstring& folder);

// The file to read: beside a portable copy; for an installed saver the user's own
// once it exists, else the one beside it.
std::wstring SettingsFileToRead(const SettingsFiles& files);

struct SettingsSaveResult {
  bool saved = false;
  std::wstring path;  // the file written, or the one that could not be
};

// Saves into the home (the profile's folder made first); each save replaces its
// file in one rename.
SettingsSaveResult SaveSettings(const SettingsStore& store, const SettingsFiles& files);

// The files of this process for this user, from the program's real path.
SettingsFiles GetSettingsFiles();
