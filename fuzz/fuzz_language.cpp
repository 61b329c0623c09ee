// Language files on any bytes: the decoding the saver applies, then the text
// table. Every complete CR LF line becomes one text in order, losing nothing
// but lone line feeds; without one the built-in texts stand.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "resources/Strings.h"
#include "resources/TextStorage.h"

using WorkSpace::Translate::TextStorage;

namespace {
// The texts a file should give, found by splitting at each CR LF after the first
// character (the byte-order mark's place).
std::vector<std::wstring> ExpectedTexts(const std::wstring& text) {
  std::vector<std::wstring> lines;
  if (text.empty()) return lines;
  const std::wstring body = text.substr(1);
  size_t start = 0;
  for (size_t end = body.find(L"\r\n"); end != std::wstring::npos; end = body.find(L"\r\n", start)) {
    std::wstring line = body.substr(start, end - start);
    std::erase(line, L'\n');
    lines.push_back(std::move(line));
    start = end + 2;
  }
  return lines;
}

void CheckTable(const std::wstring& text) {
  TextStorage texts;
  texts.LoadText(text);
  const std::vector<std::wstring> expected = ExpectedTexts(text);
  if (expected.empty()) {
    FUZZ_CHECK(texts.Count() == WorkSpace::Translate::kTextCount);
    for (uint32_t id = 0; id < texts.Count(); ++id) FUZZ_CHECK(AllUtf16Units(texts.GetText(id)));
    return;
  }
  FUZZ_CHECK(texts.Count() == expected.size());
  for (uint32_t id = 0; id < expected.size(); ++id) FUZZ_CHECK(texts.GetText(id) == expected[id]);
  FUZZ_CHECK(texts.GetText(static_cast<uint32_t>(expected.size())).empty());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text;
  const bool converted = FromUtf8UpToNul(Bytes(data, size), text);
  FUZZ_CHECK(converted == (size > 0));  // malformed bytes are replaced, never refused
  FUZZ_CHECK(text.size() <= size);
  FUZZ_CHECK(text.find(L'\0') == std::wstring::npos);
  FUZZ_CHECK(AllUtf16Units(text));
  CheckTable(text);

  // The table alone on any UTF-16 units: lone surrogates, NULs, stray CRs and LFs.
  CheckTable(Utf16Units(data, size));
  return 0;
}
