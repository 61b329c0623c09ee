#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The configuration dialog's preview: the saver full screen with the dialog's
// current choices, until Enter, Escape or a plain left or right click.
INT_PTR CALLBACK PreviewDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Puts the configuration dialog's current flame style, picture switch and list of
// pictures into the scene that the preview has just built from the settings file.
void ApplyPreviewChoices(HWND configDialog);

// Every line of a list box, whole, whatever its length.
std::vector<std::wstring> ReadListBoxLines(HWND listBox);

// Whether a message closes the preview: OK/Cancel commands (Enter, Escape) and
// clicks with only the left or only the right button and no key held.
bool ClosesPreview(UINT message, WPARAM wParam);
