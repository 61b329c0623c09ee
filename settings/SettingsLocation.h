#pragma once
#include <string>

class SettingsStore;

// The two places where one saver keeps one user's choices. The file beside the
// executable holds the installer's defaults, or a portable copy's own settings.
// The user's own file lies in their roaming profile, where no other account
// reads or writes it; once it exists, it is the one read and saved.
struct SettingsFiles {
  std::wstring besideProgram;
  std::wstring usersOwn;  // "" when the profile folder is unknown
};

// For the program named by the command line's first argument and the user's
// roaming application-data folder: "<folder>\Varnelle\" plus the name of the file
// beside the program. A folder that is not a full path gives no file of the user's own.
SettingsFiles SettingsFilesFor(const std::wstring& program, std::wstring roamingFolder);

// The user's own file once it exists, otherwise the one beside the program.
std::wstring SettingsFileToRead(const SettingsFiles& files);

struct SettingsSaveResult {
  bool saved = false;
  std::wstring path;  // the file written; after a failure every file tried, a blank line between
};

// Saves where the next read will look: the user's own file once it exists;
// otherwise beside the program, and when nothing can be written there, the user's
// own file (its folder made first). Each save replaces its file in one rename.
SettingsSaveResult SaveSettings(const SettingsStore& store, const SettingsFiles& files);

// The files of this process for this user; both "" (and a posted quit message)
// when the command line cannot be split.
SettingsFiles GetSettingsFiles();
// The file this process reads its settings from.
std::wstring GetSettingsPath();
