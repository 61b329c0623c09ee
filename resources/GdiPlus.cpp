#include "resources/GdiPlus.h"

#include <wrl/client.h>

#include <cstring>
#include <memory>

using namespace Gdiplus::DllExports;
using Gdiplus::Status;

GdiplusSession::GdiplusSession() {
  // Version 1, no debug callback, GDI+'s own background thread, external codecs allowed.
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

Gdiplus::GpBitmap* DecodeBitmapFromMemory(const void* data, size_t size) {
  if (!data || size == 0) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return nullptr;
  void* copy = GlobalLock(block);
  if (!copy) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(copy, data, size);
  GlobalUnlock(block);

  // The stream owns the block and the bitmap holds the stream for as long as it
  // may read from it, so the block goes away exactly when the bitmap does.
  Microsoft::WRL::ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
    GlobalFree(block);
    return nullptr;
  }
  std::unique_ptr<Gdi::Bitmap> bitmap(Gdi::CreateBitmapFromStream(stream.Get()));
  stream.Reset();
  if (!bitmap || bitmap->LastStatus() != Gdiplus::Ok) return nullptr;
  return static_cast<Gdiplus::GpBitmap*>(bitmap->Detach());
}

namespace Gdi {
namespace {
// The generic sans-serif family, fetched once and kept for the life of the process.
Status GenericSansSerif(Gdiplus::GpFontFamily*& family) {
  static Gdiplus::GpFontFamily* cached = nullptr;
  Status status = Gdiplus::Ok;
  if (!cached) status = GdipGetGenericFontFamilySansSerif(&cached);
  if (status != Gdiplus::Ok) cached = nullptr;
  family = cached;
  return status;
}
}  // namespace

// --- images ---------------------------------------------------------------
Image::~Image() {
  if (image_) GdipDisposeImage(image_);
}

Status Image::Track(Status status) {
  if (status != Gdiplus::Ok) status_ = status;
  return status;
}

Image* Image::Clone() const {
  Gdiplus::GpImage* copy = nullptr;
  const Status status = GdipCloneImage(image_, &copy);
  Image* clone = new Image(copy, status);
  if (!clone && copy) GdipDisposeImage(copy);
  return clone;
}

UINT Image::Width() {
  UINT width = 0;
  Track(GdipGetImageWidth(image_, &width));
  return width;
}

UINT Image::Height() {
  UINT height = 0;
  Track(GdipGetImageHeight(image_, &height));
  return height;
}

Gdiplus::GpImage* Image::Detach() {
  Gdiplus::GpImage* handle = image_;
  image_ = nullptr;
  return handle;
}

Bitmap::Bitmap(INT width, INT height, Graphics& target) : Image(nullptr, Gdiplus::Ok) {
  Gdiplus::GpBitmap* handle = nullptr;
  status_ = GdipCreateBitmapFromGraphics(width, height, target.Handle(), &handle);
  image_ = handle;
}

Bitmap* Bitmap::Clone() const {
  Gdiplus::GpImage* copy = nullptr;
  const Status status = GdipCloneImage(image_, &copy);
  Bitmap* clone = new Bitmap(static_cast<Gdiplus::GpBitmap*>(copy), status);
  if (!clone && copy) GdipDisposeImage(copy);
  return clone;
}

Bitmap* CreateBitmapFromStream(IStream* stream) {
  Gdiplus::GpBitmap* handle = nullptr;
  const Status status = GdipCreateBitmapFromStream(stream, &handle);
  Bitmap* bitmap = new Bitmap(handle, status);
  if (!bitmap && handle) GdipDisposeImage(handle);
  return bitmap;
}

// --- brushes ----------------------------------------------------------------
Brush::~Brush() {
  if (brush_) GdipDeleteBrush(brush_);
}

Brush* Brush::Clone() const {
  Gdiplus::GpBrush* copy = nullptr;
  const Status status = GdipCloneBrush(brush_, &copy);
  Brush* clone = new Brush(copy, status);
  if (!clone && copy) GdipDeleteBrush(copy);
  return clone;
}

LinearGradientBrush::LinearGradientBrush(const Gdiplus::RectF& rect, Gdiplus::ARGB color1,
                                         Gdiplus::ARGB color2, Gdiplus::LinearGradientMode mode,
                                         Gdiplus::WrapMode wrap) {
  Gdiplus::GpLineGradient* handle = nullptr;
  status_ = GdipCreateLineBrushFromRect(&rect, color1, color2, mode, wrap, &handle);
  brush_ = handle;
}

// --- string format ------------------------------------------------------------
StringFormat::StringFormat(INT flags, LANGID language) {
  status_ = GdipCreateStringFormat(flags, language, &format_);
}

StringFormat::~StringFormat() {
  if (format_) GdipDeleteStringFormat(format_);
}

Status StringFormat::SetAlignment(Gdiplus::StringAlignment alignment) {
  const Status status = GdipSetStringFormatAlign(format_, alignment);
  if (status != Gdiplus::Ok) status_ = status;
  return status;
}

Status StringFormat::SetLineAlignment(Gdiplus::StringAlignment alignment) {
  const Status status = GdipSetStringFormatLineAlign(format_, alignment);
  if (status != Gdiplus::Ok) status_ = status;
  return status;
}

// --- fonts --------------------------------------------------------------------
Font::~Font() {
  if (font_) GdipDeleteFont(font_);
}

void Font::Reset(Gdiplus::GpFont* handle, Status status) {
  if (font_) GdipDeleteFont(font_);
  font_ = handle;
  status_ = status;
}

void CreateUiFont(float points, Font& font, const wchar_t* familyName) {
  Gdiplus::GpFontFamily* named = nullptr;
  Gdiplus::GpFontFamily* family = nullptr;
  Status status = GdipCreateFontFamilyFromName(familyName, nullptr, &named);
  if (status == Gdiplus::Ok && named) {
    family = named;
  } else {
    named = nullptr;
    status = GenericSansSerif(family);
    if (status != Gdiplus::Ok) {
      font.Reset(nullptr, status);
      return;
    }
  }

  Gdiplus::GpFont* handle = nullptr;
  status = GdipCreateFont(family, points, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint, &handle);
  if (status != Gdiplus::Ok) {
    handle = nullptr;
    status = GenericSansSerif(family);
    if (status == Gdiplus::Ok)
      status = GdipCreateFont(family, points, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint, &handle);
    if (status != Gdiplus::Ok) handle = nullptr;
  }
  if (named) GdipDeleteFontFamily(named);
  font.Reset(handle, status);
}

// --- graphics -----------------------------------------------------------------
Graphics::Graphics(HDC dc) { status_ = GdipCreateFromHDC(dc, &graphics_); }
Graphics::Graphics(HWND window) { status_ = GdipCreateFromHWNDICM(window, &graphics_); }
Graphics::Graphics(Image& image) { status_ = GdipGetImageGraphicsContext(image.Handle(), &graphics_); }

Graphics::~Graphics() {
  if (graphics_) GdipDeleteGraphics(graphics_);
}

Status Graphics::Track(Status status) {
  if (status != Gdiplus::Ok) status_ = status;
  return status;
}

Status Graphics::Clear(Gdiplus::ARGB color) { return Track(GdipGraphicsClear(graphics_, color)); }

Status Graphics::DrawImageRect(const Image* image, float x, float y, float width, float height) {
  return Track(GdipDrawImageRect(graphics_, image ? image->Handle() : nullptr, x, y, width, height));
}

Status Graphics::DrawImagePointRect(const Image* image, INT x, INT y, INT width, INT height) {
  return Track(GdipDrawImagePointRectI(graphics_, image ? image->Handle() : nullptr, x, y, 0, 0, width, height,
                                       Gdiplus::UnitPixel));
}

Status Graphics::DrawString(const wchar_t* text, INT length, const Font& font, const Gdiplus::RectF& layout,
                            const StringFormat& format, const Brush& brush) {
  return Track(GdipDrawString(graphics_, text, length, font.Handle(), &layout, format.Handle(), brush.Handle()));
}

Status Graphics::SetPageUnit(Gdiplus::Unit unit) { return Track(GdipSetPageUnit(graphics_, unit)); }

Status Graphics::Flush(Gdiplus::FlushIntention intention) { return Track(GdipFlush(graphics_, intention)); }
}  // namespace Gdi

namespace {
// GDI+ for the whole process: started before any picture is decoded, shut down
// after every other object of the process is gone.
GdiplusSession g_gdiplus;
}  // namespace
