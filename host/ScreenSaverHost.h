#pragma once
#include <windows.h>

#include "host/HostLogic.h"

// The generic half of the saver window: mode dispatch, window class, closing
// rules. Messages it does not keep go to ScreenSaverProc.

constexpr wchar_t kSaverClassName[] = L"WindowsScreenSaverClass";
constexpr wchar_t kSaverTitle[] = L"Screen Saver";
constexpr wchar_t kPreviewTitle[] = L"Preview";

// The /p window: a child over the whole client area of `parent` (a window of
// Windows' settings dialog), made in the parent's DPI awareness and units.
HWND CreatePreviewChild(HWND parent, const wchar_t* className, HINSTANCE instance, void* creationParameter);

// The process's exit code for the given command-line arguments.
int ScreenSaverMain(HINSTANCE instance, const wchar_t* arguments, int showCommand);

LRESULT CALLBACK RealScreenSaverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK DefScreenSaverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
