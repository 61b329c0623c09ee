/* Stands in for a saver that cannot start: it ends at once, without a window.
   The system tests run against it must fail, never pass or skip. */
#include <windows.h>
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  (void)instance; (void)previous; (void)line; (void)show;
  return 0;
}
