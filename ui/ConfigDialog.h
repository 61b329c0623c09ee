#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "settings/SettingsLocation.h"
#include "settings/SettingsStore.h"
#include "ui/DialogRules.h"

// The configuration dialog: picture list (file and folder dialogs, list menu,
// dropped files and folders), the picture switch, the flame style, the preview,
// OK and Cancel.

// Runs the configuration dialog modally and returns when it has closed (always 1).
BOOL RegisterDialogClasses(HINSTANCE instance);

INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The dialog's messages as ScreenSaverConfigureDialog hands them on, inside its
// exception barrier.
INT_PTR ConfigureDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The dialog's own state, passed as the dialog's creation parameter and kept in its
// DWLP_USER: the instance its templates come from and its copy of the choices,
// written as each control changes, saved on OK and drawn by the preview.
struct ConfigDialogState {
  HINSTANCE moduleInstance = nullptr;
  SettingsStore settings;
  // The settings file when it exists but could not be read as the dialog opened;
  // OK then saves nothing over it.
  std::wstring unreadableFile;
  // Where this user's choices are read from and saved to, decided as it opens.
  SettingsFiles files;
  // Where the next file or folder dialog opens: the folder of the last choice.
  std::wstring lastFolder;
};

// Adds a line to the picture list box, marked as a picture or a folder; without a
// kind, by what the path is on disk. False when the list box could not take it.
bool AppendListLine(HWND listBox, const std::wstring& path);
bool AppendListLine(HWND listBox, const std::wstring& path, ListEntryKind kind);

// Asks for pictures with the file dialog and adds them to the list box and the
// picture list; shared by the Add button and the list box menu.
void AddImageFiles(HWND dialog);
// Asks for a folder and adds it as one line: at run time it stands for every
// picture under it.
void AddImageFolder(HWND dialog);

// Removes the selected line and its picture (nothing without a selection), then
// selects the line before it. Unchecks the picture switch when the list empties.
void RemoveSelectedImage(HWND dialog);
// Empties the list box and the picture list and unchecks the picture switch.
void RemoveAllImageLines(HWND dialog);
