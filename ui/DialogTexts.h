#pragma once
#include <windows.h>

// Writes the interface texts into the configuration dialog: buttons, labels, the
// three flame styles of the scheme box, the caption. Does nothing without a dialog.
void ApplyDialogTexts(HWND dialog);
