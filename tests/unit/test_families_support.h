#pragma once
// The archive the effect family tests load from; back-buffer reads are in TestWindows.h.
#include "resources/ZipReader.h"
#include "tests/unit/TestWindows.h"

// The archive beside the test executable, opened once.
inline bool OpenTestArchive() {
  WorkSpace::ZipReader& archive = WorkSpace::GetResourceArchive();
  archive.Open(WorkSpace::GetResourceArchivePath(), WorkSpace::kResourcePassword);
  return archive.IsOpen();
}
