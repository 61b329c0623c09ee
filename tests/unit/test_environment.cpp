#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <string>

namespace {
// The module a thread started in, as Windows records its start address.
HMODULE StartModule(DWORD id) {
  using QueryThread = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  constexpr int kThreadQuerySetWin32StartAddress = 9;
  const auto query = reinterpret_cast<QueryThread>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
  void* start = nullptr;
  if (HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, id)) {
    if (query) query(thread, kThreadQuerySetWin32StartAddress, &start, sizeof(start), nullptr);
    CloseHandle(thread);
  }
  HMODULE module = nullptr;
  if (start)
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<const wchar_t*>(start), &module);
  return module;
}

// The threads of this process that a library started (not this program: the
// tests' own threads and GoogleTest's are joined by their owners), by module.
std::string LibraryThreads() {
  std::string found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != GetCurrentProcessId()) continue;
    const HMODULE module = StartModule(entry.th32ThreadID);
    if (module == GetModuleHandleW(nullptr)) continue;
    char name[MAX_PATH] = "an unknown module";
    if (module) GetModuleFileNameA(module, name, MAX_PATH);
    found += std::string(found.empty() ? "" : ", ") + name;
  }
  CloseHandle(snapshot);
  return found;
}

// A test that leaves a Direct3D device alive leaves Direct3D's own thread running
// into the process's exit, where Wine's teardown of it crashed now and then; the
// saver must not do that, and neither may the tests. A thread that has just been
// told to end gets a moment.
class NoLibraryThreadOutlivesTheTests : public ::testing::Environment {
public:
  void TearDown() override {
    std::string running = LibraryThreads();
    for (int i = 0; i < 40 && !running.empty(); ++i) {
      Sleep(50);
      running = LibraryThreads();
    }
    EXPECT_EQ(running, "") << "threads still running when the tests end: a device not released?";
  }
};

[[maybe_unused]] ::testing::Environment* const kNoLibraryThreadOutlivesTheTests =
    ::testing::AddGlobalTestEnvironment(new NoLibraryThreadOutlivesTheTests);
}  // namespace
