#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "settings/SettingsStore.h"

// The configuration dialog's preview: the saver full screen with `choices` (the
// dialog's copy as it stands, unsaved edits included) until Enter, Escape or a plain
// left or right click. Returns the preview dialog's result.
INT_PTR ShowPreview(HINSTANCE instance, HWND owner, const SettingsStore& choices);

// Every line of a list box, whole, whatever its length.
std::vector<std::wstring> ReadListBoxLines(HWND listBox);

// Whether a message closes the preview: OK/Cancel commands (Enter, Escape) and
// clicks with only the left or only the right button and no key held.
bool ClosesPreview(UINT message, WPARAM wParam);
