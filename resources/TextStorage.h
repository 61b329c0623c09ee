#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace WorkSpace::Translate {
// The interface texts, addressed by id (the position in the list). The list only
// grows: a language file's lines, or the built-in English texts.
class TextStorage {
public:
  TextStorage() = default;
  virtual ~TextStorage() = default;

  // A copy of the text, or an empty string for an id beyond the list.
  std::wstring GetText(uint32_t id) const;
  size_t Count() const { return texts_.size(); }

  // Appends the kTextCount built-in English texts.
  void LoadDefaults();
  // Appends one text per CR LF line of a whole decoded language file (its first
  // character, the byte-order mark, is skipped), then the built-in texts if the
  // list is still empty.
  void LoadText(const std::wstring& text);

private:
  std::vector<std::wstring> texts_;
};

TextStorage& GetTextStorage();

// Number of texts in the built-in table and in every language file.
constexpr uint32_t kTextCount = 60;
}  // namespace WorkSpace::Translate
