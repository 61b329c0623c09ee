#include "ui/ImageListBox.h"

#include <algorithm>
#include <iterator>

#include "res/resource.h"
#include "resources/LanguageTables.h"
#include "resources/TextStorage.h"
#include "resources/ZipReader.h"
#include "ui/ConfigDialog.h"

WNDPROC previousListBoxProc = nullptr;

namespace {
constexpr Gdiplus::ARGB kHintColour = 0xDC000040;  // translucent dark blue
constexpr Gdiplus::ARGB kHintBackground = 0xFFFFFFFF;
constexpr float kHintPoints = 15.0f;
constexpr uint32_t kHintFirstLine = 52;
constexpr uint32_t kHintSecondLine = 53;
constexpr uint32_t kAddFolderText = 54;

constexpr LPARAM kFolderLineData = 1;  // item data of a folder line; 0 is a picture
constexpr COLORREF kFolderFill = RGB(244, 204, 96);
constexpr COLORREF kFolderEdge = RGB(168, 118, 28);
constexpr COLORREF kFolderFlap = RGB(252, 232, 160);
constexpr int kMarginLeft = 3;
constexpr int kGapAfterMark = 5;

// The folder mark's size for a line height: about two thirds of the line, a little wider than tall.
SIZE MarkSize(int lineHeight) {
  const int height = std::max(6, lineHeight * 5 / 8);
  return SIZE{height * 4 / 3, height};
}

// A folder drawn with the DC's own pen and brush colours, so that nothing is created.
void DrawFolderMark(HDC dc, int left, int top, SIZE size) {
  const int tabWidth = size.cx * 2 / 5;
  const int tabHeight = std::max(2, static_cast<int>(size.cy / 5));
  const POINT outline[] = {{left, top},
                           {left + tabWidth, top},
                           {left + tabWidth + tabHeight, top + tabHeight},
                           {left + size.cx, top + tabHeight},
                           {left + size.cx, top + size.cy},
                           {left, top + size.cy}};
  const platform::SelectedObject pen(dc, GetStockObject(DC_PEN));
  const platform::SelectedObject brush(dc, GetStockObject(DC_BRUSH));
  SetDCPenColor(dc, kFolderEdge);
  SetDCBrushColor(dc, kFolderFill);
  Polygon(dc, outline, static_cast<int>(std::size(outline)));
  // The front flap's upper edge.
  SetDCPenColor(dc, kFolderFlap);
  MoveToEx(dc, left + 1, top + tabHeight + 1, nullptr);
  LineTo(dc, left + size.cx, top + tabHeight + 1);
}

std::wstring LineText(HWND listBox, int line) {
  const LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, line, 0);
  if (length == LB_ERR) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(listBox, LB_GETTEXT, line, reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
  return text;
}

// A line as tall as the list's font with a pixel of air above and below.
void FitLineHeight(HWND listBox) {
  const platform::WindowDC dc(listBox);
  if (!dc) return;
  const platform::SelectedObject font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(listBox, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  if (!GetTextMetricsW(dc.get(), &metrics)) return;
  SendMessageW(listBox, LB_SETITEMHEIGHT, 0, metrics.tmHeight + 2);
}

void PaintEmptyList(HWND listBox) {
  ListBoxPainter painter(listBox, CurrentLanguageIndex());
  if (painter.Begin() && painter.HasGraphics() && !painter.DrawBackground()) painter.DrawHints();
  // The list box's own painting, which follows, then has nothing left to draw.
  ValidateRect(listBox, nullptr);
  painter.End();
}

void OnRightButtonUp(HWND listBox, WPARAM wParam, LPARAM lParam) {
  // The line under the pointer becomes the selection the menu acts on.
  SendMessageW(listBox, WM_LBUTTONDOWN, wParam, lParam);
  POINT pointer{};
  GetCursorPos(&pointer);
  const auto& texts = WorkSpace::Translate::GetTextStorage();
  HWND dialog = GetParent(listBox);
  const platform::UniqueMenu menu{CreatePopupMenu()};
  if (menu) {
    AppendMenuW(menu.get(), MF_STRING | MF_BYPOSITION, kMenuAdd, texts.GetText(18).c_str());
    AppendMenuW(menu.get(), MF_STRING | MF_BYPOSITION, kMenuAddFolder, texts.GetText(kAddFolderText).c_str());
    AppendMenuW(menu.get(), MF_STRING | MF_BYPOSITION, kMenuRemove, texts.GetText(3).c_str());
    AppendMenuW(menu.get(), MF_STRING | MF_BYPOSITION, kMenuRemoveAll, texts.GetText(4).c_str());
    SetForegroundWindow(listBox);
    const UINT command = static_cast<UINT>(
        TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY, pointer.x, pointer.y, 0, dialog, nullptr));
    switch (command) {
      case kMenuAdd: AddImageFiles(dialog); break;
      case kMenuAddFolder: AddImageFolder(dialog); break;
      case kMenuRemove: RemoveSelectedImage(dialog); break;
      case kMenuRemoveAll: RemoveAllImageLines(dialog); break;
      default: break;  // dismissed
    }
  }
  InvalidateRect(listBox, nullptr, TRUE);
  InvalidateRect(dialog, nullptr, TRUE);
}
}  // namespace

int AddListLine(HWND listBox, const std::wstring& path, ListEntryKind kind) {
  const LRESULT line = SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
  if (line < 0) return -1;  // LB_ERR or LB_ERRSPACE
  SendMessageW(listBox, LB_SETITEMDATA, line, kind == ListEntryKind::Folder ? kFolderLineData : 0);
  return static_cast<int>(line);
}

ListEntryKind ListLineKind(HWND listBox, int line) {
  return SendMessageW(listBox, LB_GETITEMDATA, line, 0) == kFolderLineData ? ListEntryKind::Folder
                                                                            : ListEntryKind::Picture;
}

BOOL DrawListLine(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_LISTBOX || item.CtlID != IDC_IMAGE_LIST) return FALSE;
  // No line (an empty list with the focus): the empty list's picture stays as it is.
  if (item.itemID == static_cast<UINT>(-1)) return TRUE;
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  if (item.itemAction == ODA_FOCUS) {
    DrawFocusRect(dc, &rect);
    return TRUE;
  }
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int lineHeight = rect.bottom - rect.top;
  const SIZE mark = MarkSize(lineHeight);
  const int line = static_cast<int>(item.itemID);
  if (ListLineKind(item.hwndItem, line) == ListEntryKind::Folder)
    DrawFolderMark(dc, rect.left + kMarginLeft, rect.top + (lineHeight - mark.cy) / 2, mark);

  const platform::SelectedObject font(dc, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  const int textColour = (item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT
                         : selected                      ? COLOR_HIGHLIGHTTEXT
                                                         : COLOR_WINDOWTEXT;
  SetTextColor(dc, GetSysColor(textColour));
  std::wstring text = LineText(item.hwndItem, line);
  RECT textRect = rect;
  textRect.left += kMarginLeft + mark.cx + kGapAfterMark;
  textRect.right -= 2;
  // The text is copied: the path ellipsis must not reach the stored line.
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &textRect,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &rect);
  return TRUE;
}

void SubclassImageListBox(HWND listBox) {
  FitLineHeight(listBox);
  previousListBoxProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(listBox, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ImageListBoxProc)));
}

LRESULT CALLBACK ImageListBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Our additions may fail (a picture that cannot be drawn, memory running out);
  // the list box's own handling goes on all the same.
  try {
    switch (message) {
      case WM_PAINT:
        if (SendMessageW(window, LB_GETCOUNT, 0, 0) == 0) PaintEmptyList(window);
        break;
      case WM_RBUTTONUP: OnRightButtonUp(window, wParam, lParam); break;
      default: break;
    }
  } catch (...) {
  }
  return CallWindowProcW(previousListBoxProc, window, message, wParam, lParam);
}

ListBoxPainter::ListBoxPainter(HWND window, uint32_t languageIndex, HDC borrowedDc)
    : window_(window), deviceContext_(borrowedDc), borrowedDc_(borrowedDc != nullptr),
      languageIndex_(languageIndex) {}

bool ListBoxPainter::Begin() {
  if (!borrowedDc_) {
    ownDc_.emplace(window_);
    if (!*ownDc_) return false;
    deviceContext_ = ownDc_->get();
  }
  graphics_.reset(new Gdi::Graphics(deviceContext_));
  GetClientRect(window_, &clientRect_);
  Gdiplus::GpBitmap* picture = WorkSpace::GetResourceArchive().ReadEntryBitmap(ListBoxPictureEntry(languageIndex_));
  if (picture) {
    background_.reset(new Gdi::Image(picture));
    if (!background_) Gdiplus::DllExports::GdipDisposeImage(picture);
  }
  return true;
}

bool ListBoxPainter::DrawBackground() {
  if (!background_ || !graphics_) return false;
  const INT width = clientRect_.right, height = clientRect_.bottom;
  // Composed off screen and copied in one step, so the list never flickers.
  Gdi::Bitmap offscreen(width, height, *graphics_);
  {
    Gdi::Graphics canvas(offscreen);
    canvas.DrawImageRect(background_.get(), 0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height));
  }
  graphics_->DrawImagePointRect(&offscreen, 0, 0, width, height);
  return true;
}

void ListBoxPainter::DrawHints() {
  if (!graphics_) return;
  const INT width = clientRect_.right, height = clientRect_.bottom;
  Gdi::Bitmap offscreen(width, height, *graphics_);
  Gdi::Graphics canvas(offscreen);
  graphics_->SetPageUnit(Gdiplus::UnitPixel);

  Gdi::LinearGradientBrush brush(Gdiplus::RectF(0.0f, 0.0f, 400.0f, 400.0f), kHintColour, kHintColour,
                                 Gdiplus::LinearGradientModeBackwardDiagonal, Gdiplus::WrapModeTile);
  Gdi::StringFormat format(0, LANG_NEUTRAL);
  format.SetAlignment(Gdiplus::StringAlignmentCenter);
  format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
  const auto& texts = WorkSpace::Translate::GetTextStorage();
  const std::wstring first = texts.GetText(kHintFirstLine);
  const std::wstring second = texts.GetText(kHintSecondLine);
  Gdi::Font font;
  CreateUiFont(kHintPoints, font);

  canvas.Clear(kHintBackground);
  canvas.DrawString(first.c_str(), -1, font, Gdiplus::RectF(0.0f, 0.0f, 400.0f, 50.0f), format, brush);
  canvas.DrawString(second.c_str(), -1, font, Gdiplus::RectF(20.0f, 30.0f, 330.0f, 150.0f), format, brush);
  graphics_->DrawImagePointRect(&offscreen, 0, 0, width, height);
}

void ListBoxPainter::End() {
  background_.reset();
  if (graphics_) {
    graphics_->Flush(Gdiplus::FlushIntentionFlush);
    graphics_.reset();
  }
  if (!borrowedDc_) {
    ownDc_.reset();
    deviceContext_ = nullptr;
  }
}
