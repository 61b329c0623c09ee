// The dialog's window-free rules on any numbers and any file-dialog buffer.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <memory>

#include "FuzzSupport.h"
#include "ui/DialogRules.h"

namespace {
void CheckFileList(const std::wstring& units) {
  // The buffer exactly as large as its capacity, so a read past it is caught.
  const std::unique_ptr<wchar_t[]> buffer(new wchar_t[units.size()]);
  std::copy(units.begin(), units.end(), buffer.get());
  const OpenFileResult result = SplitFileList(buffer.get(), units.size());
  const size_t strings = static_cast<size_t>(std::count(units.begin(), units.end(), L'\0')) + 1;
  FUZZ_CHECK(result.paths.size() <= strings);
  // Several names are joined to the folder string (which may be empty after its quote went).
  const bool joined = !result.directory.empty() || result.paths.size() > 1;
  for (const std::wstring& path : result.paths) {
    FUZZ_CHECK(path.find(L'\0') == std::wstring::npos);
    if (joined) FUZZ_CHECK(path.compare(0, result.directory.size() + 1, result.directory + L"\\") == 0);
    // The kind of a file is its own name's: a dotted folder above it changes nothing.
    FUZZ_CHECK(IsPictureFile(path) == IsPictureFile(L"C:\\folder.jpg\\" + path));
  }
}

void CheckSchemeRow(const SchemeRowInput& row) {
  const SchemeRowLayout layout = FitSchemeRow(row);
  // Promises for rows a dialog can have: sizes from 0 to a few screens.
  const auto plausible = [](int v) { return v >= 0 && v <= 1 << 16; };
  if (!(plausible(row.left) && plausible(row.right) && plausible(row.gap) && plausible(row.labelWidth) &&
        plausible(row.labelTextWidth) && plausible(row.comboWidth) && plausible(row.comboNeeded)))
    return;
  FUZZ_CHECK(layout.labelWidth >= row.labelWidth);
  FUZZ_CHECK(layout.comboWidth >= row.comboWidth);
  const int room = row.right - row.left - 2 * row.gap;
  if (row.labelWidth + row.comboWidth <= room) FUZZ_CHECK(layout.comboLeft + layout.comboWidth <= row.right - row.gap);
  if (std::max(row.labelWidth, row.labelTextWidth) + std::max(row.comboWidth, row.comboNeeded) <= room)
    FUZZ_CHECK(!layout.twoLines && layout.comboWidth >= row.comboNeeded);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const int removed = input.ConsumeIntegral<int>();
  const int remaining = input.ConsumeIntegral<int>();
  const int selected = SelectionAfterRemoval(removed, remaining);
  FUZZ_CHECK(selected == -1 || (selected >= 0 && selected < remaining));

  SchemeRowInput row{};
  for (int* v : {&row.left, &row.right, &row.gap, &row.labelWidth, &row.labelTextWidth, &row.comboWidth,
                 &row.comboNeeded})
    *v = input.ConsumeIntegral<int>();
  CheckSchemeRow(row);

  const std::vector<uint8_t> rest = input.ConsumeRemainingBytes<uint8_t>();
  CheckFileList(Utf16Units(rest.data(), rest.size()));
  return 0;
}
