#pragma once
#include <string>

#include "resources/ZipReader.h"

// The reader test archives and the shipped archive lie beside the test executable.
inline std::wstring ZipFixture(const wchar_t* name) { return GetModuleDirectory() + L"zip_fixtures\\" + name; }
inline std::wstring ShippedArchive() { return WorkSpace::GetResourceArchivePath(); }
