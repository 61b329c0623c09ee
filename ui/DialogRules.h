#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Decisions of the configuration dialog that need no window: what a drop adds,
// how a line of the picture list is marked, where the file dialogs open, where the
// selection goes.

// What a path is on disk, as the caller found it.
enum class PathOnDisk { Missing, File, Folder };

// A line of the picture list stands for one picture or for every picture under a folder.
enum class ListEntryKind { Picture, Folder };

// The picture kinds the dialog accepts, as the slideshow reads them: .jpg, .jpeg,
// .jpe, .png, .bmp, .gif, .tif, .tiff in any case. The extension is what follows the last dot of the file name (not of
// a folder).
bool IsPictureFile(const std::wstring& path);
// The same kinds as the file dialog's pattern: "*.jpg;*.jpeg;...".
std::wstring PicturePattern();

// What a dropped path adds to the list: a folder as itself, a file by its name (a
// picture, or nothing).
std::optional<ListEntryKind> DroppedEntryKind(const std::wstring& path, PathOnDisk onDisk);

// How a stored line is marked. A picture's name is enough: a library of thousands
// of photos, perhaps on a slow network drive, opens without asking the disk about
// each. Any other path is looked up: a folder, or one that cannot be found (a drive
// not plugged in), is marked as a folder; a file as a picture.
ListEntryKind StoredEntryKind(const std::wstring& path, const std::function<PathOnDisk()>& lookUp);

// The folder the next file dialog opens in after the user chose path (a file or a
// folder): the folder that holds it, or a drive root itself. Empty when path has no
// folder part.
std::wstring FolderOfChoice(const std::wstring& path);

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
// The message shown when OK refuses to save because the settings file, which
// exists, could not be read when the dialog opened: saving would replace the
// user's stored choices with the defaults the dialog started from.
std::wstring UnreadableSettingsMessage(uint32_t languageIndex, const std::wstring& settingsPath);
