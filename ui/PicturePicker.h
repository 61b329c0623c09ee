#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The system's dialogs that choose pictures, or a folder of pictures, for the list.

enum class PickKind { Pictures, Folder };

struct PickRequest {
  HWND owner = nullptr;
  PickKind kind = PickKind::Pictures;
  std::wstring startFolder;  // where the dialog opens; empty: the system's choice
  std::wstring filterName;   // the name of the picture kinds, in the interface language
};

struct PickResult {
  enum class Outcome { Chosen, Cancelled, Failed };
  Outcome outcome = Outcome::Cancelled;
  std::vector<std::wstring> paths;  // full paths, in the dialog's order
};

// The system's file-open dialog: any number of pictures, or one folder. Items
// without a file-system path are left out.
PickResult ShowSystemPicker(const PickRequest& request);

// The dialog the configuration dialog shows; tests put a stand-in here (nullptr:
// the system's dialog again).
using PickerFunction = PickResult (*)(const PickRequest&);
void SetPickerFunction(PickerFunction function);
PickResult Pick(const PickRequest& request);
