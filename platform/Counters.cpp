#include "platform/Counters.h"

#ifdef VARNELLE_COUNTERS
#include <d3d9.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <new>

namespace platform::counters {

namespace {
// Process-wide by nature: every owner in every thread counts into the same figures.
std::atomic<long> g_live[kKindCount];

// {6F1C2B8E-4D3A-4E59-9B7C-2A1D0E5F7C31}: the private-data slot of the texture tag.
constexpr GUID kTextureTagSlot = {0x6f1c2b8e, 0x4d3a, 0x4e59, {0x9b, 0x7c, 0x2a, 0x1d, 0x0e, 0x5f, 0x7c, 0x31}};

class TextureTag final : public IUnknown {
public:
  TextureTag() { Add(kTextures, 1); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid != IID_IUnknown) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) {
      Add(kTextures, -1);
      delete this;
    }
    return left;
  }

private:
  ~TextureTag() = default;
  std::atomic<ULONG> refs_{1};
};

double g_startSeconds = 0.0;

double NowSeconds() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

DWORD WINAPI PublishLoop(void* parameter) {
  const wchar_t* path = static_cast<const wchar_t*>(parameter);
  for (;;) {
    const std::string line = FiguresLine(NowSeconds() - g_startSeconds) + "\n";
    // Opened for each line, so the reader sees whole lines and the file may be read
    // or removed while the saver runs.
    if (FILE* file = _wfopen(path, L"ab")) {
      std::fwrite(line.data(), 1, line.size(), file);
      std::fclose(file);
    }
    Sleep(1000);
  }
}
}  // namespace

void Add(Kind kind, long delta) { g_live[kind].fetch_add(delta, std::memory_order_relaxed); }

long Live(Kind kind) { return g_live[kind].load(std::memory_order_relaxed); }

void TagTexture(IDirect3DBaseTexture9* texture) {
  if (!texture) return;
  TextureTag* tag = new (std::nothrow) TextureTag;
  if (!tag) return;
  texture->SetPrivateData(kTextureTagSlot, tag, sizeof(IUnknown*), D3DSPD_IUNKNOWN);
  // The texture holds its own reference now; had it refused, the tag goes at once.
  tag->Release();
}

std::string FiguresLine(double seconds) {
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
  char line[512];
  std::snprintf(line, sizeof(line),
                "seconds=%.1f workingset=%llu private=%llu pagefile=%llu kernel=%ld gdi=%ld user=%ld modules=%ld "
                "textures=%ld com=%ld frames=%ld",
                seconds, static_cast<unsigned long long>(memory.WorkingSetSize),
                static_cast<unsigned long long>(memory.PrivateUsage),
                static_cast<unsigned long long>(memory.PagefileUsage), Live(kKernelHandles), Live(kGdiObjects),
                Live(kUserObjects), Live(kModules), Live(kTextures), Live(kComObjects), Live(kFrames));
  return line;
}

void StartPublishing() {
  static wchar_t path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"VARNELLE_COUNTERS_FILE", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  g_startSeconds = NowSeconds();
  // Runs until the process ends; its handle is not one of the counted ones.
  if (HANDLE thread = CreateThread(nullptr, 0, PublishLoop, path, 0, nullptr)) CloseHandle(thread);
}

}  // namespace platform::counters
#endif
