#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Decisions of the configuration dialog that need no window: what the file dialog
// returned, which dropped files are pictures, where the selection goes.

// The file dialog's answer, read from its file buffer: either one full path, or a
// directory followed by names in it ("dir\0a.jpg\0b.jpg\0\0").
struct OpenFileResult {
  std::wstring directory;           // empty for a single full path
  std::vector<std::wstring> paths;  // full paths, in the dialog's order
};

// Reads the NUL-separated strings of buffer (capacity characters) up to the double
// NUL or the end of the buffer. A leading double quote on a string is dropped.
OpenFileResult SplitFileList(const wchar_t* buffer, size_t capacity);

// The picture kinds the dialog accepts: .jpg, .png, .tiff, .bmp, .tif in any case.
// The extension is what follows the last dot of the file name (not of a folder).
bool IsPictureFile(const std::wstring& path);

// The line to select after the line at removedIndex went away, or -1 when the
// list box has no such line.
int SelectionAfterRemoval(int removedIndex, int remainingLines);

// The row of the scheme label and the scheme box, in pixels. The label keeps its
// template width unless its text needs more; the box grows to show its longest
// style. When both do not fit before the Preview button, the label takes two lines.
struct SchemeRowInput {
  int left, right, gap;            // row from the label's left edge to the button's left edge
  int labelWidth, labelTextWidth;  // template width, text width
  int comboWidth, comboNeeded;     // template width, width that shows every style
};
struct SchemeRowLayout {
  int labelWidth;
  bool twoLines;
  int comboLeft, comboWidth;
};
SchemeRowLayout FitSchemeRow(const SchemeRowInput& row);

// The message shown when OK cannot write the settings file, in the interface
// language (CurLang 0 to 6; anything else gives English).
std::wstring SaveFailedMessage(uint32_t languageIndex, const std::wstring& settingsPath);
