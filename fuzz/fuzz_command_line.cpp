// Command lines of any UTF-16 units: the program name is skipped and the mode read
// without reading past the terminator.
#include <algorithm>
#include <memory>

#include "FuzzSupport.h"
#include "host/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring units = Utf16Units(data, size);
  // An exactly sized block, so that a read beyond the terminator is caught.
  const std::unique_ptr<wchar_t[]> line(new wchar_t[units.size() + 1]);
  std::copy(units.begin(), units.end(), line.get());
  line[units.size()] = L'\0';

  const size_t length = std::min(units.find(L'\0'), units.size());
  const wchar_t* arguments = SkipProgramName(line.get());
  FUZZ_CHECK(arguments >= line.get() && arguments <= line.get() + length);
  FUZZ_CHECK(*arguments == L'\0' || *arguments > 32);  // the blanks after the name are gone

  for (const wchar_t* text : {static_cast<const wchar_t*>(line.get()), arguments}) {
    const ModeRequest request = ParseMode(text);
    if (request.mode == SaverMode::Run || request.mode == SaverMode::Invalid) FUZZ_CHECK(request.handle == 0);
  }
  FUZZ_CHECK(*SkipProgramName(nullptr) == L'\0');
  FUZZ_CHECK(ParseMode(nullptr).mode == SaverMode::Configure);
  return 0;
}
