#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Handles.h"

#include "resources/GdiPlus.h"
#include "ui/DialogRules.h"

// The picture list box of the configuration dialog: while empty it shows a
// picture in the interface language (or two hint lines), and a right click
// offers Add, Add Folder, Remove and Remove All for the line under the pointer.
// Its lines are drawn here: a folder line has a folder mark before the path; the
// line's text is the stored path, unchanged.

// Commands of the list box menu.
constexpr UINT kMenuAdd = 343500;
constexpr UINT kMenuAddFolder = 343550;
constexpr UINT kMenuRemove = 343600;
constexpr UINT kMenuRemoveAll = 343700;

// Adds path as the last line, marked as kind; its index, or -1 when the list box
// could not take it.
int AddListLine(HWND listBox, const std::wstring& path, ListEntryKind kind);
ListEntryKind ListLineKind(HWND listBox, int line);
// WM_DRAWITEM of the picture list: the mark, then the path (shortened in the middle
// when it does not fit). FALSE for other controls.
BOOL DrawListLine(const DRAWITEMSTRUCT& item);

// The list box's own procedure, kept when the dialog subclasses it.
extern WNDPROC previousListBoxProc;

void SubclassImageListBox(HWND listBox);
LRESULT CALLBACK ImageListBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Paints the empty list box once: the language's background picture stretched
// over it, or the two hint lines in dark blue on white.
class ListBoxPainter {
public:
  ListBoxPainter(HWND window, uint32_t languageIndex, HDC borrowedDc = nullptr);
  ~ListBoxPainter() { End(); }
  ListBoxPainter(const ListBoxPainter&) = delete;
  ListBoxPainter& operator=(const ListBoxPainter&) = delete;

  bool Begin();
  bool HasGraphics() const { return graphics_ && graphics_->Handle(); }
  // False when the language has no background picture.
  bool DrawBackground();
  void DrawHints();
  void End();

private:
  HWND window_;
  HDC deviceContext_;
  std::optional<platform::WindowDC> ownDc_;  // when no context was lent
  RECT clientRect_{};
  bool borrowedDc_;
  uint32_t languageIndex_;
  std::unique_ptr<Gdi::Graphics> graphics_;
  std::unique_ptr<Gdi::Image> background_;
};
