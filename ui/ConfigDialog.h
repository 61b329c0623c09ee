#pragma once
#include <windows.h>

// TODO: the configuration dialog.
BOOL RegisterDialogClasses(HINSTANCE instance);

// State of the file-open dialog, kept for the whole process.
struct OpenFileState {};
