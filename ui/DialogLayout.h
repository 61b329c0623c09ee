#pragma once
#include <windows.h>

// Translated texts differ in length: gives the scheme label and the scheme box of
// the configuration dialog the room their current texts need, so that neither is cut.
void FitSchemeRowToTexts(HWND dialog);
