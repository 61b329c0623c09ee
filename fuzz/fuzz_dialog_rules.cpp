// The dialog's window-free rules on any numbers and any path.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "FuzzSupport.h"
#include "ui/DialogRules.h"

namespace {
// Any path a drop, a stored line or a file dialog may bring.
void CheckPath(const std::wstring& path) {
  // The kind of a file is its own name's: a dotted folder above it changes nothing.
  FUZZ_CHECK(IsPictureFile(path) == IsPictureFile(L"C:\\folder.jpg\\" + path));
  // A folder is always taken as itself; a file only as a picture.
  FUZZ_CHECK(DroppedEntryKind(path, PathOnDisk::Folder) == ListEntryKind::Folder);
  const auto dropped = DroppedEntryKind(path, PathOnDisk::File);
  FUZZ_CHECK(dropped.has_value() == IsPictureFile(path));
  // A picture's name never asks the disk.
  bool asked = false;
  const ListEntryKind stored = StoredEntryKind(path, [&] {
    asked = true;
    return PathOnDisk::File;
  });
  FUZZ_CHECK(!IsPictureFile(path) || (!asked && stored == ListEntryKind::Picture));
  // The folder to open next is a beginning of the chosen path.
  const std::wstring folder = FolderOfChoice(path);
  FUZZ_CHECK(folder.size() <= path.size() && path.compare(0, folder.size(), folder) == 0);
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
  CheckPath(Utf16Units(rest.data(), rest.size()));
  return 0;
}
