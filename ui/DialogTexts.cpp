#include "ui/DialogTexts.h"

#include <windows.h>

#include "res/resource.h"
#include "resources/TextStorage.h"

namespace {
struct ControlText {
  int control;
  uint32_t text;
};
// In the order they are written.
constexpr ControlText kControlTexts[] = {
    {IDC_ADD, 18}, {IDC_REMOVE, 3},          {IDC_REMOVE_ALL, 4},  {IDC_PREVIEW, 2},   {IDOK, 0},
    {IDCANCEL, 1}, {IDC_SCHEME_LABEL, 6},    {IDC_SHOW_IMAGES, 5}, {IDC_FILES_GROUP, 7},
    {IDC_MAIN_MONITOR_ONLY, 57}, {IDC_WHOLE_PICTURES, 58}, {IDC_SHUFFLE_PICTURES, 59},
};
constexpr uint32_t kFireStyleTexts[] = {32, 33, 34};  // "Fire", "Fireball", "Detonation"
constexpr uint32_t kCaptionText = 23;
}  // namespace

void ApplyDialogTexts(HWND dialog) {
  if (!dialog) return;
  const auto& texts = WorkSpace::Translate::GetTextStorage();
  for (const ControlText& item : kControlTexts) SetDlgItemTextW(dialog, item.control, texts.GetText(item.text).c_str());
  SendDlgItemMessageW(dialog, IDC_FIRE_SCHEME, CB_RESETCONTENT, 0, 0);
  for (uint32_t id : kFireStyleTexts)
    SendDlgItemMessageW(dialog, IDC_FIRE_SCHEME, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts.GetText(id).c_str()));
  SetWindowTextW(dialog, texts.GetText(kCaptionText).c_str());
}
