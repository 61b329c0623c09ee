// The user's pictures: the fade arithmetic, the Exif orientation reader, fitting a
// picture to the screen and the walk through files and folders on plain data, then
// the slideshow on a real device, read back from its back buffer.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "effects/PictureFit.h"
#include "effects/PictureSequence.h"
#include "effects/UserTextures.h"
#include "render/Window.h"
#include "resources/ExifOrientation.h"
#include "tests/unit/TestWindows.h"

using Microsoft::WRL::ComPtr;

// A fade takes the same time at any frame rate: 1001 frames at 60 Hz, 2403 at 144 Hz.
TEST(PicturesCrossFade, AFadeTakesTheSameTimeAtAnyFrameRate) {
  for (const auto& [hertz, expected] : {std::pair{60.0, 1001}, std::pair{144.0, 2403}}) {
    double fade = 0.0;
    int frames = 1;
    while (!AdvanceFade(fade, 1.0 / hertz)) ++frames;
    EXPECT_EQ(frames, expected) << hertz;
    EXPECT_EQ(fade, 0.0);
  }
  EXPECT_EQ(WeightsAt(0.0).outgoing, 255);
  EXPECT_EQ(WeightsAt(0.0).incoming, 0);
  EXPECT_EQ(WeightsAt(0.5).outgoing, 127);
  EXPECT_EQ(WeightsAt(0.5).incoming, 127);
}

namespace {
// A JPEG head: SOI, optional other segments, an APP1 Exif block with one IFD entry.
std::string JpegWithOrientation(int orientation, bool bigEndian, const std::string& before = "") {
  auto u16 = [bigEndian](uint32_t v) {
    return bigEndian ? std::string{static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}
                     : std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  };
  auto u32 = [&](uint32_t v) { return bigEndian ? u16(v >> 16) + u16(v & 0xFFFF) : u16(v & 0xFFFF) + u16(v >> 16); };
  std::string tiff = std::string(bigEndian ? "MM" : "II") + u16(42) + u32(8);
  tiff += u16(2);                                                   // two entries
  tiff += u16(0x010F) + u16(2) + u32(4) + std::string("Cam", 4);  // Make, before ours
  tiff += u16(0x0112) + u16(3) + u32(1) + u16(orientation) + u16(0);
  tiff += u32(0);
  const std::string body = std::string("Exif\0\0", 6) + tiff;
  const size_t length = body.size() + 2;
  std::string jpeg = "\xFF\xD8" + before;
  jpeg += {'\xFF', '\xE1', static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)};
  return jpeg + body + "\xFF\xDA\x00\x02";
}

int Orientation(const std::string& bytes) {
  return ReadExifOrientation(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}
}  // namespace

TEST(ExifOrientation, ReadsTheTagInEitherByteOrderAfterOtherSegments) {
  for (int o = 1; o <= 8; ++o) {
    EXPECT_EQ(Orientation(JpegWithOrientation(o, false)), o);
    EXPECT_EQ(Orientation(JpegWithOrientation(o, true)), o);
  }
  const std::string app0 = std::string("\xFF\xE0\x00\x06JFIF", 8);
  EXPECT_EQ(Orientation(JpegWithOrientation(6, false, app0)), 6);
}

TEST(ExifOrientation, AnythingBrokenOrMissingIsUpright) {
  EXPECT_EQ(Orientation(""), 1);
  EXPECT_EQ(Orientation("\x89PNG\r\n\x1a\n"), 1);
  EXPECT_EQ(Orientation(JpegWithOrientation(9, false)), 1);  // out of range
  EXPECT_EQ(Orientation(JpegWithOrientation(0, true)), 1);
  const std::string whole = JpegWithOrientation(6, false);
  const size_t app1End = whole.size() - 4;  // the start-of-scan marker follows the block
  for (size_t cut = 0; cut < app1End; ++cut) EXPECT_EQ(Orientation(whole.substr(0, cut)), 1) << cut;
  std::string lying = whole;
  lying[5] = '\x7F';  // an APP1 length beyond the end
  EXPECT_EQ(Orientation(lying), 1);
  // A tag of the wrong type, and an IFD offset far outside the block.
  std::string wrongType = whole;
  wrongType.replace(wrongType.find(std::string("\x12\x01\x03\x00", 4)), 4, std::string("\x12\x01\x04\x00", 4));
  EXPECT_EQ(Orientation(wrongType), 1);
  std::string farIfd = whole;
  farIfd.replace(farIfd.find("II") + 4, 4, std::string("\xFF\xFF\xFF\x7F", 4));
  EXPECT_EQ(Orientation(farIfd), 1);
}

namespace {
// A stored picture whose pixels are their own index, for following them around.
DecodedPicture Numbered(int w, int h, int orientation) {
  DecodedPicture p;
  p.width = w;
  p.height = h;
  p.orientation = orientation;
  for (int i = 0; i < w * h; ++i) p.pixels.push_back(static_cast<uint32_t>(i));
  return p;
}
}  // namespace

// A 3 x 2 picture, stored as 0 1 2 / 3 4 5, shown upright at its own size.
TEST(PictureFit, EachOrientationTurnsThePictureUpright) {
  const std::vector<std::vector<uint32_t>> expected = {
      {},
      {0, 1, 2, 3, 4, 5},        // as stored
      {2, 1, 0, 5, 4, 3},        // mirrored left to right
      {5, 4, 3, 2, 1, 0},        // upside down
      {3, 4, 5, 0, 1, 2},        // mirrored top to bottom
      {0, 3, 1, 4, 2, 5},        // along the diagonal: 2 x 3
      {3, 0, 4, 1, 5, 2},        // turned a quarter clockwise to stand up
      {5, 2, 4, 1, 3, 0},
      {2, 5, 1, 4, 0, 3},        // turned a quarter the other way
  };
  for (int o = 1; o <= 8; ++o) {
    const DecodedPicture p = Numbered(3, 2, o);
    int w = 0, h = 0;
    UprightSize(p, w, h);
    EXPECT_EQ(w, o >= 5 ? 2 : 3) << o;
    std::vector<uint32_t> got = FitPicture(p, w, h);
    for (uint32_t& v : got) v &= 0x00FFFFFF;
    EXPECT_EQ(got, expected[o]) << "orientation " << o;
  }
}

TEST(PictureFit, CoversTheAreaCentredWithoutStretching) {
  // 4:3 on 16:9: the full width, the middle three quarters of the height.
  const CoverCrop c = CoverCropFor(4000, 3000, 1920, 1080);
  EXPECT_DOUBLE_EQ(c.x, 0.0);
  EXPECT_DOUBLE_EQ(c.width, 4000.0);
  EXPECT_DOUBLE_EQ(c.height, 2250.0);
  EXPECT_DOUBLE_EQ(c.y, 375.0);
  // An upright phone photo on a wide screen: the middle band of its height.
  const CoverCrop tall = CoverCropFor(3000, 4000, 1600, 900);
  EXPECT_DOUBLE_EQ(tall.width, 3000.0);
  EXPECT_NEAR(tall.y, (4000.0 - 3000.0 * 900 / 1600) / 2, 1e-9);

  // A 4 x 2 picture, left half black, right half white, on a 1 x 1 screen: the
  // middle 2 x 2 pixels average to grey; on a 2 x 1 screen each side keeps its colour.
  DecodedPicture halves;
  halves.width = 4;
  halves.height = 2;
  halves.pixels = {0, 0, 0xFFFFFF, 0xFFFFFF, 0, 0, 0xFFFFFF, 0xFFFFFF};
  EXPECT_EQ(FitPicture(halves, 1, 1), (std::vector<uint32_t>{0xFF7F7F7Fu}));
  EXPECT_EQ(FitPicture(halves, 2, 1), (std::vector<uint32_t>{0xFF000000u, 0xFFFFFFFFu}));
  // Enlarged, it is read between its pixels: smooth from black to white across the
  // middle, no squares; nothing is read past its end.
  const std::vector<uint32_t> big = FitPicture(halves, 40, 20);
  ASSERT_EQ(big.size(), 800u);
  EXPECT_EQ(big.front(), 0xFF000000u);
  EXPECT_EQ(big.back(), 0xFFFFFFFFu);
  std::set<uint32_t> levels(big.begin() + 400, big.begin() + 440);
  EXPECT_GE(levels.size(), 8u);
  EXPECT_TRUE(std::is_sorted(big.begin() + 400, big.begin() + 440));
  EXPECT_TRUE(FitPicture(halves, 0, 10).empty());
  halves.pixels.pop_back();  // fewer pixels than its size says
  EXPECT_TRUE(FitPicture(halves, 2, 1).empty());
}

// Whole pictures sit inside the screen, centred; the bars are the picture's own
// colours, blurred and darkened.
TEST(PictureFit, WholePicturesFitInsideWithBlurredBars) {
  struct Case {
    int pw, ph, width, height;
    WholeRect expected;
  };
  for (const Case& c : {Case{4000, 3000, 1920, 1080, {240, 0, 1440, 1080}},   // landscape on wide
                        Case{3000, 4000, 1920, 1080, {555, 0, 810, 1080}},    // portrait on wide
                        Case{1000, 1000, 1080, 1920, {0, 420, 1080, 1080}},   // square on portrait
                        Case{30000, 2000, 1920, 1080, {0, 476, 1920, 128}},   // panorama on wide
                        Case{4000, 3000, 1080, 1920, {0, 555, 1080, 810}}}) {  // landscape on portrait
    const WholeRect r = WholeRectFor(c.pw, c.ph, c.width, c.height);
    EXPECT_EQ(std::tie(r.x, r.y, r.width, r.height),
              std::tie(c.expected.x, c.expected.y, c.expected.width, c.expected.height))
        << c.pw << "x" << c.ph << " on " << c.width << "x" << c.height;
  }
  DecodedPicture tall;  // red, 30 x 40, on a 64 x 24 screen: 18 x 24 in the middle
  tall.width = 30;
  tall.height = 40;
  tall.pixels.assign(30 * 40, 0xC80000);
  const std::vector<uint32_t> shown = FitPicture(tall, 64, 24, PictureFitMode::Whole);
  ASSERT_EQ(shown.size(), 64u * 24);
  EXPECT_EQ(shown[12 * 64 + 32], 0xFFC80000u);
  const uint32_t bar = shown[12 * 64 + 2];
  EXPECT_NEAR(static_cast<int>((bar >> 16) & 0xFF), 0xC8 * 2 / 5, 3);  // darkened, not black
  EXPECT_EQ(bar & 0xFFFF, 0u);
  EXPECT_EQ(FitPicture(tall, 64, 24, PictureFitMode::Fill)[12 * 64 + 2], 0xFFC80000u);
}

namespace {
// Collects what the code under test writes with OutputDebugStringW.
class DebugOutputCapture {
public:
  DebugOutputCapture() : handler_(AddVectoredExceptionHandler(1, &Catch)) { Text().clear(); }
  ~DebugOutputCapture() { RemoveVectoredExceptionHandler(handler_); }
  static std::string& Text() {
    static std::string text;
    return text;
  }

private:
  static LONG CALLBACK Catch(EXCEPTION_POINTERS* e) {
    const EXCEPTION_RECORD* r = e->ExceptionRecord;
    if (r->ExceptionCode != DBG_PRINTEXCEPTION_C) return EXCEPTION_CONTINUE_SEARCH;
    Text().append(reinterpret_cast<const char*>(r->ExceptionInformation[1]));
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  void* handler_;
};

std::wstring TempFolder() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  const std::wstring dir = std::wstring(base) + L"varnelle-pictures-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream(path.c_str(), std::ios::binary) << bytes;
}

template <typename T>
void Put(std::string& out, T value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof(T));
}

// A solid-colour 8 x 8 bitmap file.
void WriteSolidBmp(const std::wstring& path, uint8_t r, uint8_t g, uint8_t b) {
  const int side = 8, rowBytes = side * 3;
  std::string out = "BM";
  Put<uint32_t>(out, 54 + rowBytes * side);
  Put<uint32_t>(out, 0);
  Put<uint32_t>(out, 54);
  Put<uint32_t>(out, 40);
  Put<int32_t>(out, side);
  Put<int32_t>(out, side);
  Put<uint16_t>(out, 1);
  Put<uint16_t>(out, 24);
  for (int i = 0; i < 6; ++i) Put<uint32_t>(out, 0);
  for (int i = 0; i < side * side; ++i) out += {static_cast<char>(b), static_cast<char>(g), static_cast<char>(r)};
  WriteFileBytes(path, out);
}

void PutChunk(std::string& png, const char* type, const std::string& data) {
  const uint32_t length = _byteswap_ulong(static_cast<uint32_t>(data.size()));
  png.append(reinterpret_cast<const char*>(&length), 4);
  const std::string body = std::string(type, 4) + data;
  png += body;
  const uint32_t crc = _byteswap_ulong(crc32(0, reinterpret_cast<const Bytef*>(body.data()), body.size()));
  png.append(reinterpret_cast<const char*>(&crc), 4);
}

// A valid 1-bit PNG of side x side pixels: small on disk, enormous when decoded.
void WriteHugePng(const std::wstring& path, uint32_t side) {
  const size_t rowBytes = 1 + (side + 7) / 8;
  std::vector<uint8_t> raw(rowBytes * side, 0);
  uLongf packedSize = compressBound(raw.size());
  std::vector<uint8_t> packed(packedSize);
  compress2(packed.data(), &packedSize, raw.data(), raw.size(), 9);
  std::string ihdr;
  Put<uint32_t>(ihdr, _byteswap_ulong(side));
  Put<uint32_t>(ihdr, _byteswap_ulong(side));
  ihdr += {1, 0, 0, 0, 0};  // bit depth 1, greyscale
  std::string png = "\x89PNG\r\n\x1a\n";
  PutChunk(png, "IHDR", ihdr);
  PutChunk(png, "IDAT", std::string(packed.begin(), packed.begin() + packedSize));
  PutChunk(png, "IEND", "");
  WriteFileBytes(path, png);
}

}  // namespace

namespace {
// A folder tree of empty files, removed with the test.
class FolderTree : public ::testing::Test {
protected:
  void SetUp() override { root_ = TempFolder() + L"\\tree"; }
  void TearDown() override {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
      if (!DeleteFileW(it->c_str())) RemoveDirectoryW(it->c_str());
    RemoveDirectoryW(root_.c_str());
  }
  std::wstring Folder(const std::wstring& relative) {
    const std::wstring path = relative.empty() ? root_ : root_ + L"\\" + relative;
    CreateDirectoryW(path.c_str(), nullptr);
    if (!relative.empty()) made_.push_back(path);
    return path;
  }
  std::wstring File(const std::wstring& relative) {
    const std::wstring path = root_ + L"\\" + relative;
    WriteFileBytes(path, "");
    made_.push_back(path);
    return path;
  }
  std::vector<std::wstring> Walk(PictureSequence& s, int n, std::vector<bool>* wraps = nullptr) {
    std::vector<std::wstring> out;
    for (int i = 0; i < n; ++i) {
      auto item = s.Next();
      if (!item) break;
      out.push_back(item->path.size() > root_.size() ? item->path.substr(root_.size() + 1) : item->path);
      if (wraps) wraps->push_back(item->wrapped);
    }
    return out;
  }
  std::wstring root_;
  std::vector<std::wstring> made_;
};
}  // namespace

TEST_F(FolderTree, FilesBeforeSubfoldersInExplorerOrderThenTheNextEntry) {
  Folder(L"");
  Folder(L"x10");
  Folder(L"x2");
  Folder(L"x2\\deep");
  File(L"b10.jpg");
  File(L"b2.JPG");
  File(L"a.png");
  File(L"notes.txt");  // no picture
  File(L"x10\\z.gif");
  File(L"x2\\y.tiff");
  File(L"x2\\deep\\w.bmp");
  const std::wstring lone = File(L"lone.jpeg");
  std::vector<bool> wraps;
  PictureSequence s({lone, root_, L"Z:\\missing.jpg"}, {});
  EXPECT_EQ(Walk(s, 10, &wraps),
            (std::vector<std::wstring>{L"lone.jpeg", L"a.png", L"b2.JPG", L"b10.jpg", L"lone.jpeg", L"x2\\y.tiff",
                                       L"x2\\deep\\w.bmp", L"x10\\z.gif", L"Z:\\missing.jpg", L"lone.jpeg"}));
  // "lone.jpeg" of the folder itself sorts among its files; the wrap shows on the item after the end.
  EXPECT_EQ(wraps, (std::vector<bool>{false, false, false, false, false, false, false, false, false, true}));

  // Resuming at the folder's third picture goes on from there.
  PictureSequence resumed({lone, root_}, SlidePosition{1, 2});
  EXPECT_EQ(Walk(resumed, 2), (std::vector<std::wstring>{L"b10.jpg", L"lone.jpeg"}));
}

// Shuffled: every picture once a round, no picture twice in a row across a round's
// end, another order for another seed, and two monitors a step apart never together.
TEST(PictureShuffle, EachPictureOnceARoundNeverTwiceInARow) {
  for (uint32_t count : {3u, 4u, 7u}) {
    std::vector<uint32_t> before = ShuffledSequence::RoundOrder(99, 0, count);
    for (int64_t round = 1; round < 300; ++round) {
      std::vector<uint32_t> order = ShuffledSequence::RoundOrder(99, round, count);
      EXPECT_NE(order.front(), before.back()) << count << " round " << round;
      before = order;
      std::sort(order.begin(), order.end());
      for (uint32_t k = 0; k < count; ++k) ASSERT_EQ(order[k], k);
    }
  }
  EXPECT_NE(ShuffledSequence::RoundOrder(1, 0, 20), ShuffledSequence::RoundOrder(2, 0, 20));
  EXPECT_EQ(ShuffledSequence::RoundOrder(5, 0, 2), (std::vector<uint32_t>{0, 1}));  // two take turns
}

TEST_F(FolderTree, ShuffledFoldersShowEveryPictureOnceARoundOnEveryMonitorApart) {
  Folder(L"");
  Folder(L"sub");
  std::set<std::wstring> all;
  for (int k = 0; k < 6; ++k) all.insert(File((k < 3 ? L"" : L"sub\\") + std::to_wstring(k) + L".jpg"));
  all.insert(File(L"lone.png"));
  const std::vector<std::wstring> entries = {root_ + L"\\sub", root_};  // the sub folder listed on its own too
  ShuffledSequence main(entries, 7, 0), second(entries, 7, 1);
  std::vector<std::wstring> shown;
  for (int k = 0; k < 30; ++k) {
    auto a = main.Next(), b = second.Next();
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->path, b->path) << k;
    EXPECT_EQ(a->wrapped, k > 0 && k % 7 == 0) << k;
    shown.push_back(a->path);
  }
  // Seven a round, each once, though the sub folder's are listed twice.
  EXPECT_EQ(std::set<std::wstring>(shown.begin(), shown.begin() + 7), all);
  EXPECT_FALSE(ShuffledSequence({Folder(L"empty")}, 7, 0).Next());
}

TEST_F(FolderTree, EmptyListsAndEmptyFoldersEndTheWalk) {
  Folder(L"");
  Folder(L"empty");
  PictureSequence none({}, {});
  EXPECT_FALSE(none.Next());
  PictureSequence hollow({root_ + L"\\empty", root_}, {});
  EXPECT_FALSE(hollow.Next());  // no picture anywhere: no endless walk
  PictureSequence farOut({root_}, SlidePosition{7, 99});  // a position from a longer list
  EXPECT_FALSE(farOut.Next());
}

// A device on a small window, with the user's pictures bound to it.
class BackdropTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = TempFolder();
    ASSERT_TRUE(w_.Create(window_.hwnd));
    textures_.SetDevice(w_.device.Get());
  }
  void TearDown() override {
    textures_.Detach();
    w_.ReleaseAll();
    for (const std::wstring& f : files_) DeleteFileW(f.c_str());
    RemoveDirectoryW(dir_.c_str());
  }
  std::wstring Path(const wchar_t* name) {
    files_.push_back(dir_ + L"\\" + name);
    return files_.back();
  }
  std::wstring Solid(const wchar_t* name, uint8_t r, uint8_t g, uint8_t b) {
    const std::wstring p = Path(name);
    WriteSolidBmp(p, r, g, b);
    return p;
  }
  void Show(std::vector<std::wstring> entries) {
    textures_.SetPictures(std::move(entries), 64, 48);
    textures_.StartLoading();
  }
  // Draws one backdrop frame over opaque black, a 60 Hz frame after the last (or
  // `seconds`), and returns the centre pixel (XRGB).
  uint32_t DrawFrame(double seconds = 1.0 / 60.0) {
    IDirect3DDevice9* device = w_.device.Get();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    clock_ += seconds;
    DrawUserImages(textures_, device, w_.clientRect, clock_);
    device->EndScene();
    return CentrePixel(device) & 0x00FFFFFF;
  }
  // Frames go on (the fade held at its start) until `count` textures are in; then,
  // when `lit`, a second goes by, in which the first picture has faded in.
  bool WaitForTextures(int count, bool lit = true) {
    for (int i = 0; i < 1000; ++i) {
      if (textures_.Count() >= count) {
        if (lit) DrawFrame(kFadeInSeconds);
        textures_.slideFade = 0.0;
        return true;
      }
      textures_.slideFade = 0.0;
      DrawFrame();
      Sleep(5);
    }
    return false;
  }
  static uint32_t CentrePixel(IDirect3DDevice9* device) {
    const BackBufferImage image = ReadBackBuffer(device);
    return image.At(image.width / 2, image.height / 2);
  }

  TestWindow window_{L"Pictures", 64, 48};
  std::wstring dir_;
  std::vector<std::wstring> files_;
  Window w_;
  UserTextures textures_;
  double clock_ = 0.0;
};

void ExpectNear(uint32_t pixel, int r, int g, int b) {
  EXPECT_NEAR(static_cast<int>((pixel >> 16) & 0xFF), r, 2) << std::hex << pixel;
  EXPECT_NEAR(static_cast<int>((pixel >> 8) & 0xFF), g, 2) << std::hex << pixel;
  EXPECT_NEAR(static_cast<int>(pixel & 0xFF), b, 2) << std::hex << pixel;
}

TEST_F(BackdropTest, NothingIsReadBeforeLoadingStartsAndNoPicturesLeaveTheTarget) {
  EXPECT_EQ(DrawFrame(), 0u);
  textures_.SetPictures({Solid(L"red.bmp", 255, 0, 0)}, 64, 48);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(DrawFrame(), 0u);  // the speed test's frames
  EXPECT_EQ(textures_.Count(), 0);
}

// It fades in from black over a second, then stays opaque.
TEST_F(BackdropTest, OnePictureFadesInAndIsOpaque) {
  Show({Solid(L"red.bmp", 255, 0, 0)});
  ASSERT_TRUE(WaitForTextures(1, false));
  EXPECT_LT(DrawFrame(), 0x080000u);
  ExpectNear(DrawFrame(kFadeInSeconds / 2), 131, 0, 0);  // 1/60 + 1/2 of the way
  DrawFrame(kFadeInSeconds / 2);
  EXPECT_TRUE(textures_.Single());
  textures_.slideFade = 0.5f;
  EXPECT_EQ(DrawFrame(), 0xFF0000u);
  EXPECT_EQ(textures_.slideFade, 0.5f);  // untouched on this path
  EXPECT_EQ(textures_.Count(), 1);
}

// outgoing x (1 - f) + incoming x f: each picture at its own brightness throughout.
TEST_F(BackdropTest, TwoPicturesCrossFadeAtTheirOwnBrightnessAndLeaveBlendingOff) {
  Show({Solid(L"grey1.bmp", 128, 128, 128), Solid(L"grey2.bmp", 128, 128, 128)});
  ASSERT_TRUE(WaitForTextures(2));
  for (double f : {0.0, 0.5, 0.9}) {
    textures_.slideFade = f;
    ExpectNear(DrawFrame(), 128, 128, 128);  // as the picture alone
  }
  Show({Solid(L"red.bmp", 255, 0, 0), Solid(L"blue.bmp", 0, 0, 255)});
  ASSERT_TRUE(WaitForTextures(2));
  textures_.slideFade = 0.0;
  ExpectNear(DrawFrame(), 255, 0, 0);
  textures_.slideFade = 0.5 - 1.0 / 1001;  // one 60 Hz frame before the middle
  ExpectNear(DrawFrame(), 128, 0, 128);
  EXPECT_NEAR(textures_.slideFade, 0.5, 1e-9);

  DWORD state = 1;
  IDirect3DDevice9* device = w_.device.Get();
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &state);
  EXPECT_EQ(state, static_cast<DWORD>(FALSE));
  device->GetTextureStageState(0, D3DTSS_ALPHAARG1, &state);
  EXPECT_EQ(state, static_cast<DWORD>(D3DTA_TEXTURE));
  // The one-pass fade gives back its shader and second texture for the flames and the logo.
  Microsoft::WRL::ComPtr<IDirect3DPixelShader9> shader;
  device->GetPixelShader(&shader);
  EXPECT_FALSE(shader);
  Microsoft::WRL::ComPtr<IDirect3DBaseTexture9> second;
  device->GetTexture(1, &second);
  EXPECT_FALSE(second);

  textures_.slideFade = 0.9995;  // the frame that completes the fade shows the second picture alone
  ExpectNear(DrawFrame(), 0, 0, 255);
}

TEST_F(BackdropTest, FivePathsWithTheThirdBadCycleThroughTheFourInOrder) {
  Show({Solid(L"1.bmp", 255, 0, 0), Solid(L"2.bmp", 0, 255, 0), Path(L"3.bmp"), Solid(L"4.bmp", 0, 0, 255),
        Solid(L"5.bmp", 255, 255, 255)});
  for (uint32_t colour : {0x00FF00u, 0x0000FFu, 0xFFFFFFu, 0xFF0000u, 0x00FF00u}) {
    ASSERT_TRUE(WaitForTextures(2));
    textures_.slideFade = 0.9995;
    EXPECT_EQ(DrawFrame(), colour);
    EXPECT_LE(textures_.Count(), 2);  // never more than the shown and the incoming
  }
  textures_.Clear();
  EXPECT_EQ(textures_.Count(), 0);
  EXPECT_EQ(DrawFrame(), 0u);
}

TEST_F(BackdropTest, BadPicturesAreSkippedWithTheMessageAndNothingReadableNeverSpins) {
  const std::wstring text = Path(L"notes.jpg"), empty = Path(L"empty.png"), huge = Path(L"huge.png");
  WriteFileBytes(text, "these are not the pixels you are looking for\r\n");
  WriteFileBytes(empty, "");
  WriteHugePng(huge, 20000);
  {
    DebugOutputCapture capture;
    Show({Path(L"missing.jpg"), text, empty, huge, std::wstring(), Solid(L"after.bmp", 0, 255, 0)});
    ASSERT_TRUE(WaitForTextures(1));
    EXPECT_EQ(DrawFrame(), 0x00FF00u);
    textures_.Clear();  // the loader's thread has stopped writing when this returns
    std::string expected;
    for (int i = 0; i < 5; ++i) expected += "Failed to load texture. UserTextures::AddTexture ()\n";
    EXPECT_EQ(DebugOutputCapture::Text().substr(0, expected.size()), expected);
  }
  Show({text, empty, Path(L"missing.jpg")});
  for (int i = 0; i < 400 && !textures_.Exhausted(); ++i) {
    DrawFrame();
    Sleep(5);
  }
  EXPECT_TRUE(textures_.Exhausted());
  EXPECT_EQ(textures_.Count(), 0);
  EXPECT_EQ(DrawFrame(), 0u);
}
