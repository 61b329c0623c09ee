#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "settings/SettingsStore.h"

// The configuration dialog: picture list (file dialog, list menu, dropped files),
// the picture switch, the flame style, the preview, OK and Cancel.

// Runs the configuration dialog modally and returns when it has closed (always 1).
BOOL RegisterDialogClasses(HINSTANCE instance);

INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The file-open dialog's record and buffers, kept for the whole process so that the
// folder of the last choice is where the next dialog opens.
struct OpenFileState {
  OpenFileState();
  OpenFileState(const OpenFileState&) = delete;
  OpenFileState& operator=(const OpenFileState&) = delete;

  OPENFILENAMEW record{};
  std::vector<wchar_t> filter;      // 1024
  std::vector<wchar_t> file;        // 65536: the multi-selection answer
  std::vector<wchar_t> initialDir;  // 1024
  std::vector<wchar_t> title;       // 256, empty: the system's own title
  std::vector<wchar_t> defExt;      // 64
};
OpenFileState& GetOpenFileState();

// The dialog's own state for the process: the instance its templates come from,
// the open dialog, and the choices being edited (saved on OK).
struct ConfigDialogState {
  HINSTANCE moduleInstance = nullptr;
  HWND dialog = nullptr;
  SettingsStore settings;
  OpenFileState openFile;
};
ConfigDialogState& GetConfigDialogState();

// The function that shows the file dialog; tests put a stand-in here.
using OpenFileDialogFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
void SetOpenFileDialogFunction(OpenFileDialogFunction function);

// Adds a line to the picture list box. False when the list box could not take it.
bool AppendListLine(HWND listBox, const std::wstring& path);

// Asks for pictures with the file dialog and adds them to the list box and the
// picture list; shared by the Add button and the list box menu.
void AddImageFiles(HWND owner);

// The full paths of the file dialog's last answer; remembers their folder as the
// place where the next dialog opens.
std::vector<std::wstring> SplitOpenFileResult(OpenFileState& state);

// Removes the selected line and its picture (nothing without a selection), then
// selects the line before it. Unchecks the picture switch when the list empties.
void RemoveSelectedImage(HWND dialog);
// Empties the list box and the picture list and unchecks the picture switch.
void RemoveAllImageLines(HWND dialog);
