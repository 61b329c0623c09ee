#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstddef>

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

// Decodes a picture held in memory (PNG in practice). The copy GDI+ reads from
// lives in a global memory block owned by the bitmap's stream, so it stays valid
// while the bitmap may decode and is freed with the bitmap. Null on failure.
Gdiplus::GpBitmap* DecodeBitmapFromMemory(const void* data, size_t size);

// Small owners of GDI+ flat-API objects. Each keeps its native handle and the
// last status a call on it returned (Gdiplus::Ok is 0); failures never throw.
// Heap instances come from GDI+'s own allocator, and a failed allocation gives null.
namespace Gdi {
class HeapObject {
public:
  static void* operator new(std::size_t size) noexcept { return Gdiplus::DllExports::GdipAlloc(size); }
  static void operator delete(void* block) noexcept { Gdiplus::DllExports::GdipFree(block); }
};

class Image : public HeapObject {
public:
  explicit Image(Gdiplus::GpImage* handle = nullptr, Gdiplus::Status status = Gdiplus::Ok)
      : image_(handle), status_(status) {}
  virtual ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  // A new wrapper around a copy of the image (GdipCloneImage), or null.
  virtual Image* Clone() const;
  UINT Width();
  UINT Height();

  Gdiplus::GpImage* Handle() const { return image_; }
  Gdiplus::Status LastStatus() const { return status_; }
  // Hands the native image to the caller, who disposes of it.
  Gdiplus::GpImage* Detach();

protected:
  Gdiplus::Status Track(Gdiplus::Status status);
  Gdiplus::GpImage* image_;
  Gdiplus::Status status_;
};

class Graphics;

class Bitmap : public Image {
public:
  // Takes ownership of a bitmap made elsewhere (for example ZipReader::ReadEntryBitmap).
  explicit Bitmap(Gdiplus::GpBitmap* handle, Gdiplus::Status status = Gdiplus::Ok) : Image(handle, status) {}
  // An off-screen bitmap compatible with the target graphics.
  Bitmap(INT width, INT height, Graphics& target);
  Bitmap* Clone() const override;
  Gdiplus::GpBitmap* BitmapHandle() const { return static_cast<Gdiplus::GpBitmap*>(image_); }
};

// A new bitmap wrapper owned by the caller, or null when the wrapper cannot be
// allocated. A failed decode gives a wrapper with a null handle and its status.
Bitmap* CreateBitmapFromStream(IStream* stream);

class Brush : public HeapObject {
public:
  explicit Brush(Gdiplus::GpBrush* handle = nullptr, Gdiplus::Status status = Gdiplus::Ok)
      : brush_(handle), status_(status) {}
  virtual ~Brush();
  Brush(const Brush&) = delete;
  Brush& operator=(const Brush&) = delete;
  virtual Brush* Clone() const;
  Gdiplus::GpBrush* Handle() const { return brush_; }
  Gdiplus::Status LastStatus() const { return status_; }

protected:
  Gdiplus::GpBrush* brush_;
  Gdiplus::Status status_;
};

class LinearGradientBrush : public Brush {
public:
  LinearGradientBrush(const Gdiplus::RectF& rect, Gdiplus::ARGB color1, Gdiplus::ARGB color2,
                      Gdiplus::LinearGradientMode mode, Gdiplus::WrapMode wrap);
};

class StringFormat : public HeapObject {
public:
  explicit StringFormat(INT flags = 0, LANGID language = LANG_NEUTRAL);
  ~StringFormat();
  StringFormat(const StringFormat&) = delete;
  StringFormat& operator=(const StringFormat&) = delete;
  Gdiplus::Status SetAlignment(Gdiplus::StringAlignment alignment);
  Gdiplus::Status SetLineAlignment(Gdiplus::StringAlignment alignment);
  Gdiplus::GpStringFormat* Handle() const { return format_; }
  Gdiplus::Status LastStatus() const { return status_; }

private:
  Gdiplus::GpStringFormat* format_ = nullptr;
  Gdiplus::Status status_;
};

class Font : public HeapObject {
public:
  Font() = default;
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  Gdiplus::GpFont* Handle() const { return font_; }
  Gdiplus::Status LastStatus() const { return status_; }

private:
  friend void CreateUiFont(float points, Font& font, const wchar_t* familyName);
  void Reset(Gdiplus::GpFont* handle, Gdiplus::Status status);
  Gdiplus::GpFont* font_ = nullptr;
  Gdiplus::Status status_ = Gdiplus::Ok;
};

// The interface font: the family (normally "Tahoma") at the size in points,
// regular style; where that family is missing, the generic sans-serif family.
// On failure the font's handle is null and its status tells why.
void CreateUiFont(float points, Font& font, const wchar_t* familyName = L"Tahoma");

class Graphics : public HeapObject {
public:
  explicit Graphics(HDC dc);          // GdipCreateFromHDC
  explicit Graphics(HWND window);     // GdipCreateFromHWNDICM (colour managed)
  explicit Graphics(Image& image);    // GdipGetImageGraphicsContext
  ~Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  Gdiplus::Status Clear(Gdiplus::ARGB color);
  // A null image draws with a null handle; the status says what GDI+ made of it.
  Gdiplus::Status DrawImageRect(const Image* image, float x, float y, float width, float height);
  Gdiplus::Status DrawImagePointRect(const Image* image, INT x, INT y, INT width, INT height);
  Gdiplus::Status DrawString(const wchar_t* text, INT length, const Font& font,
                             const Gdiplus::RectF& layout, const StringFormat& format, const Brush& brush);
  Gdiplus::Status SetPageUnit(Gdiplus::Unit unit);
  Gdiplus::Status Flush(Gdiplus::FlushIntention intention = Gdiplus::FlushIntentionFlush);

  Gdiplus::GpGraphics* Handle() const { return graphics_; }
  Gdiplus::Status LastStatus() const { return status_; }

private:
  Gdiplus::Status Track(Gdiplus::Status status);
  Gdiplus::GpGraphics* graphics_ = nullptr;
  Gdiplus::Status status_;
};
}  // namespace Gdi
