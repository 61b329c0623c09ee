#include "app/ApplicationState.h"

#include "resources/GdiPlus.h"
#include "ui/ConfigDialog.h"

ApplicationState::ApplicationState() : effectFamily(kBuildEffectFamily) {}

// The user-texture list is a later-built static that clears itself on its own
// destruction, which runs before this one; only the device objects remain here.
ApplicationState::~ApplicationState() {
  window.ReleaseAll();
  settings.Clear();
}

// Process-wide objects built before the host runs, in this order, and destroyed
// in reverse: the state record (window and settings), the file dialog state, GDI+.
namespace {
ApplicationState g_state;
OpenFileState g_openFileState;
GdiplusSession g_gdiplus;
}  // namespace

ApplicationState& GetApplicationState() { return g_state; }
OpenFileState& GetOpenFileState() { return g_openFileState; }
