#include <windows.h>

#include "host/CommandLine.h"
#include "host/ScreenSaverHost.h"

// Returning (rather than ExitProcess) lets the process-wide objects be destroyed
// in reverse order of their construction before the exit code is reported.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
  return ScreenSaverMain(instance, SkipProgramName(GetCommandLineW()), show);
}
