#include "render/ErrorScreen.h"

#include <windows.h>

#include "app/ApplicationState.h"

// TODO: the localised error picture; until then the window stays black.
void ShowErrorScreen() {
  ApplicationState& app = GetApplicationState();
  while (!app.stopRequested.load(std::memory_order_relaxed)) {
    if (HDC dc = GetDC(app.renderWindow)) {
      RECT rc;
      GetClientRect(app.renderWindow, &rc);
      FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      ReleaseDC(app.renderWindow, dc);
    }
    Sleep(10);
  }
}
