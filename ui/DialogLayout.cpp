#include "ui/DialogLayout.h"

#include <algorithm>
#include <string>

#include "platform/Handles.h"
#include "res/resource.h"
#include "ui/DialogRules.h"

namespace {
int TextWidth(HWND control, const std::wstring& text) {
  const platform::WindowDC dc(control);
  if (!dc) return 0;
  const platform::SelectedObject font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

std::wstring ControlText(HWND control) {
  std::wstring text(GetWindowTextLengthW(control) + 1, L'\0');
  text.resize(GetWindowTextW(control, text.data(), static_cast<int>(text.size())));
  return text;
}

RECT RectInDialog(HWND dialog, HWND control) {
  RECT rc{};
  GetWindowRect(control, &rc);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

}  // namespace

void FitSchemeRowToTexts(HWND dialog) {
  HWND label = GetDlgItem(dialog, IDC_SCHEME_LABEL);
  HWND combo = GetDlgItem(dialog, IDC_FIRE_SCHEME);
  const RECT labelRect = RectInDialog(dialog, label);
  const RECT comboRect = RectInDialog(dialog, combo);
  const RECT buttonRect = RectInDialog(dialog, GetDlgItem(dialog, IDC_PREVIEW));
  int widest = 0;
  const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::wstring item(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
    item.resize(SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data())));
    widest = std::max(widest, TextWidth(combo, item));
  }
  SchemeRowInput row{};
  row.left = labelRect.left;
  row.right = buttonRect.left;
  row.gap = comboRect.left - labelRect.right;
  row.labelWidth = labelRect.right - labelRect.left;
  row.labelTextWidth = TextWidth(label, ControlText(label));
  row.comboWidth = comboRect.right - comboRect.left;
  row.comboNeeded = widest + GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXEDGE) + 8;
  const SchemeRowLayout layout = FitSchemeRow(row);
  const int comboHeight = comboRect.bottom - comboRect.top;
  const int lineHeight = labelRect.bottom - labelRect.top;
  // Two lines sit centred beside the closed box.
  const int labelHeight = layout.twoLines ? 2 * lineHeight + 2 : lineHeight;
  // (A drop-down list's window is as tall as its closed box.)
  const int labelTop = layout.twoLines ? comboRect.top + comboHeight / 2 - labelHeight / 2 : labelRect.top;
  SetWindowPos(label, nullptr, labelRect.left, labelTop, layout.labelWidth, labelHeight, SWP_NOZORDER);
  SetWindowPos(combo, nullptr, layout.comboLeft, comboRect.top, layout.comboWidth, comboHeight, SWP_NOZORDER);
}

