#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

// GDI+ started for the whole process: constructed before the host runs and
// shut down after everything that may still hold a GDI+ object.
class GdiplusSession {
public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool Started() const { return token_ != 0; }

private:
  ULONG_PTR token_ = 0;
};
