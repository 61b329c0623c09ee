/* A stand-in libXinerama.so.1 for the several-monitor system tests. Wine's X11
   driver asks Xinerama for the monitors when the X server has no usable RandR, and
   Xvfb cannot report heads side by side itself. This one reports the heads named by
   VARNELLE_HEADS: "WxH+X+Y" entries separated by commas, the first being the primary,
   e.g. "1024x768+0+0,800x600+1024+0".

   Built with -nostdlib and no headers, so that an i386 copy needs no 32-bit
   development files: the few C library functions it uses resolve in the process. */

typedef __SIZE_TYPE__ size_t;
char* getenv(const char* name);
void* calloc(size_t count, size_t size);
long strtol(const char* text, char** end, int base);

typedef struct {
  int screen_number;
  short x_org, y_org, width, height;
} ScreenInfo;

enum { kMaxHeads = 16 };

/* Parses the heads into `out` (at most kMaxHeads); returns how many, or 0 when the
   variable is missing or any entry is malformed, so that a mistyped layout shows as
   one monitor rather than as a different layout. */
static int ReadHeads(ScreenInfo* out) {
  char* p = getenv("VARNELLE_HEADS");
  int count = 0;
  if (!p || !*p) return 0;
  for (;;) {
    long value[4];
    static const char kAfter[4] = {'x', '+', '+', 0};
    int i;
    if (count == kMaxHeads) return 0;
    for (i = 0; i < 4; ++i) {
      char* end;
      value[i] = strtol(p, &end, 10);
      if (end == p) return 0;
      p = end;
      if (i < 3) {
        /* An origin may be negative: "+-800". */
        if (*p != kAfter[i]) return 0;
        ++p;
      }
    }
    if (value[0] <= 0 || value[1] <= 0) return 0;
    out[count].screen_number = count;
    out[count].width = (short)value[0];
    out[count].height = (short)value[1];
    out[count].x_org = (short)value[2];
    out[count].y_org = (short)value[3];
    ++count;
    if (*p == 0) return count;
    if (*p != ',') return 0;
    ++p;
  }
}

int XineramaQueryExtension(void* display, int* event_base, int* error_base) {
  (void)display;
  if (event_base) *event_base = 0;
  if (error_base) *error_base = 0;
  return 1;
}

int XineramaQueryVersion(void* display, int* major, int* minor) {
  (void)display;
  if (major) *major = 1;
  if (minor) *minor = 1;
  return 1;
}

int XineramaIsActive(void* display) {
  ScreenInfo heads[kMaxHeads];
  (void)display;
  return ReadHeads(heads) > 0;
}

/* The caller releases the array with XFree, which is free. */
ScreenInfo* XineramaQueryScreens(void* display, int* number) {
  ScreenInfo heads[kMaxHeads];
  const int count = ReadHeads(heads);
  ScreenInfo* result;
  int i;
  (void)display;
  *number = 0;
  if (count == 0) return 0;
  result = (ScreenInfo*)calloc((size_t)count, sizeof(ScreenInfo));
  if (!result) return 0;
  for (i = 0; i < count; ++i) result[i] = heads[i];
  *number = count;
  return result;
}
