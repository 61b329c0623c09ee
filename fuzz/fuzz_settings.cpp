// The settings file on any bytes: loading never faults, and whatever a file loads
// as, writing that store and loading the text again gives the same store.
#include <windows.h>

#include <iterator>
#include <string>

#include "FuzzSupport.h"
#include "resources/Strings.h"
#include "settings/SettingsStore.h"

namespace {
SettingsStore LoadedFrom(std::string_view bytes) {
  SettingsStore store;
  store.Load(L"");  // no such file: the defaults, as the saver starts
  store.LoadFromText(bytes);
  return store;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const SettingsStore first = LoadedFrom(Bytes(data, size));
  FUZZ_CHECK(first.Values().size() == std::size(kSettingsFields));  // every field, always
  for (int i = 0; i < first.ImageCount(); ++i) FUZZ_CHECK(AllUtf16Units(first.GetImage(i)));

  const std::string text = first.ToText();
  const SettingsStore second = LoadedFrom(text);
  FUZZ_CHECK(second.ImageCount() == first.ImageCount());
  for (int i = 0; i < first.ImageCount(); ++i) FUZZ_CHECK(second.GetImage(i) == first.GetImage(i));
  FUZZ_CHECK(second.Values() == first.Values());
  FUZZ_CHECK(second.ToText() == text);

  // Text that is UTF-8 reads and writes back byte for byte.
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(data), static_cast<int>(size),
                          nullptr, 0) > 0)
    FUZZ_CHECK(ToUtf8(FromUtf8(Bytes(data, size))) == Bytes(data, size));

  // The value reader on any wide text, as a value line hands it over; a number it
  // gives reads back as itself once written.
  const int32_t value = ParseSettingsInteger(Utf16Units(data, size));
  FUZZ_CHECK(ParseSettingsInteger(std::to_wstring(value)) == value);
  return 0;
}
