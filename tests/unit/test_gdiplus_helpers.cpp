#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <memory>

#include "resources/GdiPlus.h"
#include "resources/ZipReader.h"
#include "test_archive_paths.h"

using namespace Gdiplus::DllExports;
using WorkSpace::ZipReader;

namespace {
class GdiPlusTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(reader.Open(ZipFixture(L"fixture.zip"), WorkSpace::kResourcePassword)); }
  ZipReader reader;
};

Gdiplus::ARGB PixelAt(Gdiplus::GpBitmap* bitmap, INT x, INT y) {
  Gdiplus::ARGB colour = 0;
  GdipBitmapGetPixel(bitmap, x, y, &colour);
  return colour;
}

// Bytes in use on the process heap, where global memory blocks come from.
SIZE_T HeapBytesInUse() {
  HANDLE heap = GetProcessHeap();
  SIZE_T total = 0;
  PROCESS_HEAP_ENTRY entry{};
  HeapLock(heap);
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
  HeapUnlock(heap);
  return total;
}

// An off-screen 32-bit canvas with a graphics on it.
struct Canvas {
  explicit Canvas(INT w, INT h) {
    GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, &handle);
    image = std::make_unique<Gdi::Bitmap>(handle);
    graphics = std::make_unique<Gdi::Graphics>(*image);
  }
  Gdiplus::GpBitmap* handle = nullptr;
  std::unique_ptr<Gdi::Bitmap> image;
  std::unique_ptr<Gdi::Graphics> graphics;
};
}  // namespace

TEST_F(GdiPlusTest, ReadEntryBitmapDecodesThePngWithItsPixels) {
  Gdi::Bitmap picture(reader.ReadEntryBitmap(L"Resource/Picture.png"));
  ASSERT_NE(picture.Handle(), nullptr);
  EXPECT_EQ(picture.Width(), 8u);
  EXPECT_EQ(picture.Height(), 6u);
  EXPECT_EQ(PixelAt(picture.BitmapHandle(), 0, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(picture.BitmapHandle(), 7, 5), 0x800000FFu);
  EXPECT_EQ(PixelAt(picture.BitmapHandle(), 3, 3), 0xFFFFFFFFu);
}

// The bitmap must not depend on the entry's bytes, freed when the decode returns
// and likely handed to the next read.
TEST_F(GdiPlusTest, BitmapStillDrawsAfterTheEntryBufferIsGone) {
  Gdi::Bitmap picture(reader.ReadEntryBitmap(L"Resource/Picture.png"));
  ASSERT_NE(picture.Handle(), nullptr);
  ASSERT_TRUE(reader.ReadEntry(L"Resource/Noise.bin"));

  Canvas canvas(8, 6);
  canvas.graphics->Clear(0xFF00FF00);
  EXPECT_EQ(canvas.graphics->DrawImageRect(&picture, 0, 0, 8, 6), Gdiplus::Ok);
  EXPECT_EQ(PixelAt(canvas.handle, 0, 0), 0xFFFF0000u);
}

TEST_F(GdiPlusTest, CorruptPictureGivesNullAndDrawingItFailsQuietly) {
  EXPECT_EQ(reader.ReadEntryBitmap(L"Resource/Broken.png"), nullptr);
  EXPECT_EQ(reader.ReadEntryBitmap(L"Resource/Noise.bin"), nullptr);

  // The wrapper itself keeps the failure: a null handle and a status that is not Ok.
  IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>("not a picture"), 13);
  ASSERT_NE(stream, nullptr);
  std::unique_ptr<Gdi::Bitmap> broken(Gdi::CreateBitmapFromStream(stream));
  stream->Release();
  ASSERT_NE(broken, nullptr);
  EXPECT_EQ(broken->Handle(), nullptr);
  EXPECT_NE(broken->LastStatus(), Gdiplus::Ok);

  Canvas canvas(4, 4);
  canvas.graphics->Clear(0xFF123456);
  EXPECT_NE(canvas.graphics->DrawImageRect(broken.get(), 0, 0, 4, 4), Gdiplus::Ok);
  EXPECT_NE(canvas.graphics->DrawImageRect(nullptr, 0, 0, 4, 4), Gdiplus::Ok);
  EXPECT_NE(canvas.graphics->LastStatus(), Gdiplus::Ok);
  EXPECT_EQ(PixelAt(canvas.handle, 1, 1), 0xFF123456u);
}

// Each decode copies the entry into a global memory block; it must go with the bitmap.
TEST_F(GdiPlusTest, DecodingManyTimesDoesNotKeepTheMemoryBlocks) {
  const uint32_t size = reader.ReadEntry(L"Resource/Large.png").size;
  ASSERT_GT(size, 150000u);
  for (int i = 0; i < 5; ++i) GdipDisposeImage(reader.ReadEntryBitmap(L"Resource/Large.png"));
  const SIZE_T before = HeapBytesInUse();
  constexpr int kRounds = 150;
  for (int i = 0; i < kRounds; ++i) {
    Gdiplus::GpBitmap* bitmap = reader.ReadEntryBitmap(L"Resource/Large.png");
    ASSERT_NE(bitmap, nullptr);
    UINT width = 0;
    GdipGetImageWidth(bitmap, &width);
    EXPECT_EQ(width, 256u);
    GdipDisposeImage(bitmap);
  }
  const SIZE_T grown = HeapBytesInUse() > before ? HeapBytesInUse() - before : 0;
  EXPECT_LT(grown, size * kRounds / 4) << "grew by " << grown << " bytes";
}

TEST(GdiPlusFont, UiFontIsTahomaOrTheGenericSansSerifAtTheSameSize) {
  for (const wchar_t* family : {L"Tahoma", L"No Such Family 7f3a"}) {
    Gdi::Font font;
    Gdi::CreateUiFont(15.0f, font, family);
    ASSERT_NE(font.Handle(), nullptr);
    EXPECT_EQ(font.LastStatus(), Gdiplus::Ok);
    Gdiplus::REAL size = 0;
    GdipGetFontSize(font.Handle(), &size);
    EXPECT_FLOAT_EQ(size, 15.0f);
    Gdiplus::Unit unit = Gdiplus::UnitPixel;
    GdipGetFontUnit(font.Handle(), &unit);
    EXPECT_EQ(unit, Gdiplus::UnitPoint);
  }

  Gdiplus::GpFontFamily* generic = nullptr;
  ASSERT_EQ(GdipGetGenericFontFamilySansSerif(&generic), Gdiplus::Ok);
  WCHAR genericName[LF_FACESIZE] = {};
  GdipGetFamilyName(generic, genericName, LANG_NEUTRAL);

  Gdi::Font fallback;
  Gdi::CreateUiFont(15.0f, fallback, L"No Such Family 7f3a");
  Gdiplus::GpFontFamily* family = nullptr;
  ASSERT_EQ(GdipGetFamily(fallback.Handle(), &family), Gdiplus::Ok);
  WCHAR name[LF_FACESIZE] = {};
  GdipGetFamilyName(family, name, LANG_NEUTRAL);
  GdipDeleteFontFamily(family);
  EXPECT_STREQ(name, genericName);
}

TEST(GdiPlusWrappers, HintTextDrawsInTranslucentDarkBlue) {
  Canvas canvas(400, 60);
  canvas.graphics->Clear(0xFFFFFFFF);
  Gdi::LinearGradientBrush brush(Gdiplus::RectF(0, 0, 400, 400), 0xDC000040, 0xDC000040,
                                 Gdiplus::LinearGradientModeBackwardDiagonal, Gdiplus::WrapModeTile);
  Gdi::StringFormat format;
  format.SetAlignment(Gdiplus::StringAlignmentCenter);
  format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
  Gdi::Font font;
  Gdi::CreateUiFont(15.0f, font);
  ASSERT_EQ(brush.LastStatus(), Gdiplus::Ok);
  ASSERT_EQ(format.LastStatus(), Gdiplus::Ok);
  EXPECT_EQ(canvas.graphics->DrawString(L"Add your images", -1, font, Gdiplus::RectF(0, 0, 400, 50), format, brush),
            Gdiplus::Ok);

  int dark = 0;
  for (INT y = 0; y < 50; ++y)
    for (INT x = 100; x < 300; ++x)
      if ((PixelAt(canvas.handle, x, y) & 0xFF) < 0x80) ++dark;
  EXPECT_GT(dark, 100);
  EXPECT_EQ(PixelAt(canvas.handle, 2, 2), 0xFFFFFFFFu);  // centred: the corner stays white

  std::unique_ptr<Gdi::Brush> copy(brush.Clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->Handle(), nullptr);
  EXPECT_NE(copy->Handle(), brush.Handle());
  std::unique_ptr<Gdi::Bitmap> imageCopy(canvas.image->Clone());
  ASSERT_NE(imageCopy, nullptr);
  EXPECT_EQ(imageCopy->Width(), 400u);
}
