#include "resources/TextStorage.h"

namespace WorkSpace::Translate {
namespace {
// The built-in English texts; a text's id is its position. Id 0 begins with a
// Cyrillic capital O on purpose: that is how the shipped table has always read.
constexpr const wchar_t* kDefaultTexts[kTextCount] = {
    L"\u041Ek",
    L"Cancel",
    L"Preview",
    L"Remove",
    L"Remove All",
    L"Show Images",
    L"Select Scheme",
    L"Files",
    L"Select",
    L"Options",
    L"Resolution",
    L"About",
    L"Screen Saver",
    L"Version",
    L"Language",
    L"Open",
    L"Close",
    L"Delete",
    L"Add",
    L"Not Supported",
    L"Video acceleration disable",
    L"Please. Enabl video acceleration",
    L"Options",
    L"Varnelle",
    L"Ostrevin",
    L"Dumareth",
    L"Krisolan",
    L"Rotation",
    L"Falling",
    L"Approach",
    L"Motion",
    L"Fall Rotation",
    L"Fire",
    L"Fireball",
    L"Detonation",
    L"Blum speed",
    L"Blum size",
    L"Solar",
    L"Earth",
    L"RGB",
    L"Caramel",
    L"Flame",
    L"Ice",
    L"Smoke",
    L"Cheerful",
    L"The computer configuration does not meet minimal system requirements",
    L"Hardware acceleration is not enabled",
    L"Version 2.0 shaders are not supported",
    L"Version 1.0 shaders are not supported",
    L"Please install the latest drivers for your video card from the card manufacturer web site",
    L"DirectX 9.0c or later is not installed. Please update your DirectX version from the Microsoft web site.",
    L"The current display resolution is not supported.",
    L"Add your images or photos here.",
    L"Click Add or just drag and drop files to this window.",
    L"Add Folder...",
    L"Picture files",
    L"The file dialog could not be opened.",
    L"Only the main monitor",
    L"Show whole pictures",
    L"Shuffle",
};
}  // namespace

std::wstring TextStorage::GetText(uint32_t id) const {
  return id < texts_.size() ? texts_[id] : std::wstring();
}

void TextStorage::LoadDefaults() { texts_.insert(texts_.end(), std::begin(kDefaultTexts), std::end(kDefaultTexts)); }

void TextStorage::LoadText(const std::wstring& text) {
  // Position 0 is the byte-order mark; the last character never belongs to a
  // text, because a line only counts once its CR LF has been seen.
  std::wstring line;
  const size_t length = text.size();
  for (size_t i = 1; i + 1 < length; ++i) {
    const wchar_t c = text[i];
    if (c == L'\r' && text[i + 1] == L'\n') {
      texts_.push_back(line);
      line.clear();
    } else if (c != L'\n') {
      line.push_back(c);  // a CR without LF stays in the text
    }
  }
  if (texts_.empty()) LoadDefaults();
}

TextStorage& GetTextStorage() {
  static TextStorage storage;
  return storage;
}
}  // namespace WorkSpace::Translate
