#include "ui/ImageListBox.h"

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
  const platform::UniqueMenu menu{CreatePopupMenu()};
  if (menu) {
    AppendMenuW(menu.get(), MF_STRING | MF_BYPOSITION, kMenuAdd, texts.GetText(18).c_str());
    AppendMenuW(menu.get(), MF_STRING | MF_BYPOSITION, kMenuRemove, texts.GetText(3).c_str());
    AppendMenuW(menu.get(), MF_STRING | MF_BYPOSITION, kMenuRemoveAll, texts.GetText(4).c_str());
    SetForegroundWindow(listBox);
    const UINT command = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY, pointer.x,
                                                          pointer.y, 0, GetParent(listBox), nullptr));
    HWND dialog = GetConfigDialogState().dialog;
    switch (command) {
      case kMenuAdd: AddImageFiles(dialog); break;
      case kMenuRemove: RemoveSelectedImage(dialog); break;
      case kMenuRemoveAll: RemoveAllImageLines(dialog); break;
      default: break;  // dismissed
    }
  }
  HWND dialog = GetConfigDialogState().dialog;
  InvalidateRect(GetDlgItem(dialog, IDC_IMAGE_LIST), nullptr, TRUE);
  InvalidateRect(dialog, nullptr, TRUE);
}
}  // namespace

void SubclassImageListBox(HWND listBox) {
  previousListBoxProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(listBox, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ImageListBoxProc)));
}

LRESULT CALLBACK ImageListBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      if (SendMessageW(window, LB_GETCOUNT, 0, 0) == 0) PaintEmptyList(window);
      break;
    case WM_RBUTTONUP: OnRightButtonUp(window, wParam, lParam); break;
    default: break;
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
