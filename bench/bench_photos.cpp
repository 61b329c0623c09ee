// Photo-library benchmark: the saver's scene with 0, 100 and 1000 picture entries
// made of a few 12-megapixel JPEG photos (written by scripts/bench.sh into the
// folder given as the first argument). Each run is a process of its own, so that
// process start, the first presented frame, the first drawn picture and the peak
// working set are its own; each figure is printed with its ratio to the run
// without pictures, and so is the frame rate during a cross-fade.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

#include "app/SceneManager.h"
#include "bench/BenchSupport.h"
#include "resources/Language.h"

namespace {
double PeakWorkingSetMb() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PeakWorkingSetSize / (1024.0 * 1024.0);
}

std::wstring WriteSettings(const std::wstring& folder, int entries) {
  const std::wstring path = folder + L"\\bench-" + std::to_wstring(entries) + L".settings";
  std::ofstream out(path.c_str(), std::ios::binary);
  out << "#Picture Info _ begin\r\n";
  char narrow[MAX_PATH * 3];
  for (int i = 0; i < entries; ++i) {
    const std::wstring photo = folder + L"\\photo" + std::to_wstring(i % 3) + L".jpg";
    WideCharToMultiByte(CP_UTF8, 0, photo.c_str(), -1, narrow, sizeof(narrow), nullptr, nullptr);
    out << narrow << "\r\n";
  }
  out << "#Picture Info _ end\r\nBlobsSpeed 40\r\nBlobsSize 80\r\nShowImages 1\r\nSelectCubeMap 0\r\n"
         "SelectSparksEffect 0\r\nSelectFireEffect 0\r\n";
  return path;
}

// One run, in this process: prints "first_frame_s first_picture_s peak_mb fade_fps".
int Child(const std::wstring& settings) {
  LoadLanguage();
  HWND hwnd = bench::MakeWindow(L"VarnellePhotosBench", 800, 600);
  SettingsStore stored;
  stored.Load(settings);
  SceneManager scenes;
  if (scenes.Init(hwnd, {}, stored) != SceneStart::Built) return 1;
  Scene& scene = scenes.GetScene();
  auto frame = [&] {
    scenes.Update();
    scenes.DrawFrame(false);
  };
  frame();
  const double firstFrame = bench::ProcessAgeSeconds();
  double firstPicture = -1.0;
  const bool pictures = scene.settings.ImageCount() > 0;
  for (const double until = bench::Now() + 60.0; pictures && firstPicture < 0 && bench::Now() < until;) {
    frame();
    bench::Pump();
    if (scene.pictures.Count() > 0) firstPicture = bench::ProcessAgeSeconds();
  }
  // The frame rate while a second picture fades in (or of the flames alone).
  for (const double until = bench::Now() + 60.0; pictures && scene.pictures.Count() < 2 && bench::Now() < until;) {
    frame();
    bench::Pump();
  }
  int frames = 0;
  const double start = bench::Now();
  double elapsed = 0.0;
  while ((elapsed = bench::Now() - start) < 3.0 && (!pictures || scene.pictures.Count() == 2)) {
    frame();
    if ((++frames & 15) == 0) bench::Pump();
  }
  std::printf("%.3f %.3f %.1f %.1f\n", firstFrame, firstPicture, PeakWorkingSetMb(), frames / elapsed);
  scenes.Teardown();
  return 0;
}

bool RunChild(const std::wstring& settings, double (&out)[4]) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --child \"" + settings + L"\"";
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return false;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);
  std::string text;
  char buffer[256];
  DWORD n = 0;
  while (started && ReadFile(readEnd, buffer, sizeof(buffer), &n, nullptr) && n > 0) text.append(buffer, n);
  CloseHandle(readEnd);
  if (!started) return false;
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return std::sscanf(text.c_str(), "%lf %lf %lf %lf", &out[0], &out[1], &out[2], &out[3]) == 4;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc > 2 && std::wcscmp(argv[1], L"--child") == 0) return Child(argv[2]);
  if (argc < 2) {
    std::printf("usage: bench_photos <folder with photo0.jpg photo1.jpg photo2.jpg>\n");
    return 0;
  }
  const std::wstring folder = argv[1];
  double bare[4] = {};
  if (!RunChild(WriteSettings(folder, 0), bare)) {
    std::printf("the run without pictures failed\n");
    return 1;
  }
  std::printf("photos 0: first_frame_s %.3f peak_mb %.1f fps %.1f\n", bare[0], bare[2], bare[3]);
  for (int entries : {100, 1000}) {
    double r[4] = {};
    if (!RunChild(WriteSettings(folder, entries), r)) {
      std::printf("photos %d: the run failed\n", entries);
      continue;
    }
    std::printf("photos %d: first_frame_s %.3f (x%.2f) first_picture_s %.3f peak_mb %.1f (x%.2f) fade_fps %.1f "
                "(frame time x%.2f)\n",
                entries, r[0], r[0] / bare[0], r[1], r[2], r[2] / bare[2], r[3], bare[3] / r[3]);
  }
  return 0;
}
