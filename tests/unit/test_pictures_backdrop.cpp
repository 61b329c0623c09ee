// The user's pictures: the cross-fade arithmetic on plain data, then the textures
// and the backdrop on a real device, read back from its back buffer.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "effects/UserTextures.h"
#include "render/Window.h"
#include "tests/unit/TestWindows.h"

using Microsoft::WRL::ComPtr;

namespace {
struct Slides {
  int32_t slide = 0, next = 1;
  float fade = 0.0f;
  SlideFrame Step(int count) { return AdvanceSlides({slide, next, fade}, count); }
};
}  // namespace

TEST(PicturesCrossFade, TwoPicturesSwapRolesAfter1001Frames) {
  Slides s;
  SlideFrame f = s.Step(2);
  EXPECT_EQ(f.outgoing, 0);
  EXPECT_EQ(f.incoming, 1);
  EXPECT_EQ(f.outWeight, 254);  // (1 - 0.001) * 255 truncated
  EXPECT_EQ(f.inWeight, 0);
  for (int frame = 2; frame <= 1000; ++frame) f = s.Step(2);
  EXPECT_EQ(f.outgoing, 0);
  EXPECT_EQ(f.inWeight, 254);
  EXPECT_LT(s.fade, 1.0f);
  f = s.Step(2);  // the 1001st frame
  EXPECT_EQ(f.outgoing, 1);
  EXPECT_EQ(f.incoming, 0);
  EXPECT_EQ(f.outWeight, 255);
  EXPECT_EQ(f.inWeight, 0);
  EXPECT_EQ(s.fade, 0.0f);
}

TEST(PicturesCrossFade, FourPicturesCycleInOrder) {
  Slides s;
  std::vector<int> order;
  for (int frame = 0; frame < 4 * 1001 + 1; ++frame) {
    const SlideFrame f = s.Step(4);
    if (order.empty() || order.back() != f.outgoing) order.push_back(f.outgoing);
    EXPECT_EQ(f.incoming, (f.outgoing + 1) % 4);
  }
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 0}));
}

// The state outlives a scene; a list of another length afterwards must not be
// indexed past its end, and the fade goes on in list order.
TEST(PicturesCrossFade, IndicesFromAListOfAnotherLengthAreRepaired) {
  Slides s{3, 4, 0.5f};  // five pictures before, two now
  SlideFrame f = s.Step(2);
  EXPECT_EQ(f.outgoing, 1);
  EXPECT_EQ(f.incoming, 0);
  EXPECT_NEAR(s.fade, 0.501f, 1e-6f);  // the fade goes on where it was

  s = {2, 0, 0.2f};  // three before: would collapse onto one picture
  f = s.Step(2);
  EXPECT_EQ(f.outgoing, 0);
  EXPECT_EQ(f.incoming, 1);

  s = {-1, 7, 0.0f};
  f = s.Step(3);
  EXPECT_EQ(f.outgoing, 2);
  EXPECT_EQ(f.incoming, 0);

  s = {1, 0, 0.3f};  // two before, three now: forward, not back to the first
  f = s.Step(3);
  EXPECT_EQ(f.outgoing, 1);
  EXPECT_EQ(f.incoming, 2);

  s = {2, 0, 0.3f};  // a consistent pair stays as it is
  f = s.Step(3);
  EXPECT_EQ(f.outgoing, 2);
  EXPECT_EQ(f.incoming, 0);
  EXPECT_NEAR(s.fade, 0.301f, 1e-6f);
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

// A device on a small window, with a user-texture list bound to it.
class BackdropTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = TempFolder();
    ASSERT_TRUE(w_.Create(window_.hwnd));
    textures_.SetDevice(w_.device.Get());
  }
  void TearDown() override {
    textures_.Clear();
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
  // Draws one backdrop frame over opaque black and returns the centre pixel (XRGB).
  uint32_t DrawFrame() {
    IDirect3DDevice9* device = w_.device.Get();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    DrawUserImages(textures_, device, w_.clientRect);
    device->EndScene();
    return CentrePixel(device) & 0x00FFFFFF;
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
};

void ExpectNear(uint32_t pixel, int r, int g, int b) {
  EXPECT_NEAR(static_cast<int>((pixel >> 16) & 0xFF), r, 2) << std::hex << pixel;
  EXPECT_NEAR(static_cast<int>((pixel >> 8) & 0xFF), g, 2) << std::hex << pixel;
  EXPECT_NEAR(static_cast<int>(pixel & 0xFF), b, 2) << std::hex << pixel;
}
}  // namespace

TEST_F(BackdropTest, NoPicturesLeaveTheClearedTarget) { EXPECT_EQ(DrawFrame(), 0u); }

TEST_F(BackdropTest, OnePictureIsOpaqueWhateverTheIndices) {
  ASSERT_TRUE(textures_.AddTexture(Solid(L"red.bmp", 255, 0, 0)));
  textures_.slideIndex = 5;
  textures_.nextSlideIndex = 9;
  textures_.slideFade = 0.5f;
  EXPECT_EQ(DrawFrame(), 0xFF0000u);
  EXPECT_EQ(textures_.slideIndex, 5);  // untouched on this path
  EXPECT_EQ(textures_.slideFade, 0.5f);
}

// Each picture adds its colour scaled by its weight, squared by the source-colour
// blend, over what lies below scaled by one minus the weight.
TEST_F(BackdropTest, TwoPicturesCrossFadeAndLeaveBlendingOff) {
  ASSERT_TRUE(textures_.AddTexture(Solid(L"red.bmp", 255, 0, 0)));
  ASSERT_TRUE(textures_.AddTexture(Solid(L"blue.bmp", 0, 0, 255)));
  textures_.slideIndex = 0;
  textures_.nextSlideIndex = 1;
  textures_.slideFade = 0.0f;
  ExpectNear(DrawFrame(), 253, 0, 0);  // weights 254 and 0
  textures_.slideFade = 0.499f;               // weights 127 and 127 on this frame
  ExpectNear(DrawFrame(), 32, 0, 63);
  EXPECT_NEAR(textures_.slideFade, 0.5f, 1e-6f);

  DWORD state = 1;
  IDirect3DDevice9* device = w_.device.Get();
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &state);
  EXPECT_EQ(state, static_cast<DWORD>(FALSE));
  device->GetTextureStageState(0, D3DTSS_ALPHAARG1, &state);
  EXPECT_EQ(state, static_cast<DWORD>(D3DTA_TEXTURE));

  textures_.slideFade = 0.9995f;  // the frame that completes the fade shows the second picture alone
  ExpectNear(DrawFrame(), 0, 0, 255);
  EXPECT_EQ(textures_.slideIndex, 1);
  EXPECT_EQ(textures_.nextSlideIndex, 0);
}

TEST_F(BackdropTest, FivePathsWithTheThirdBadGiveFourTexturesInOrder) {
  UserTextures& t = textures_;
  EXPECT_TRUE(t.AddTexture(Solid(L"1.bmp", 255, 0, 0)));
  EXPECT_TRUE(t.AddTexture(Solid(L"2.bmp", 0, 255, 0)));
  EXPECT_FALSE(t.AddTexture(Path(L"3.bmp")));  // missing
  EXPECT_TRUE(t.AddTexture(Solid(L"4.bmp", 0, 0, 255)));
  EXPECT_TRUE(t.AddTexture(Solid(L"5.bmp", 255, 255, 255)));
  ASSERT_EQ(t.Count(), 4);
  const uint32_t expected[] = {0x00FF00, 0x0000FF, 0xFFFFFF, 0xFF0000};
  textures_.slideIndex = 0;
  textures_.nextSlideIndex = 1;
  for (uint32_t colour : expected) {
    textures_.slideFade = 0.9995f;
    EXPECT_EQ(DrawFrame(), colour);
  }
  t.Clear();
  EXPECT_EQ(t.Count(), 0);
  EXPECT_EQ(DrawFrame(), 0u);
}

TEST_F(BackdropTest, BadPicturesAreSkippedWithTheMessage) {
  const std::wstring text = Path(L"notes.jpg"), empty = Path(L"empty.png"), huge = Path(L"huge.png");
  WriteFileBytes(text, "these are not the pixels you are looking for\r\n");
  WriteFileBytes(empty, "");
  WriteHugePng(huge, 20000);
  UserTextures& t = textures_;
  for (const std::wstring& path : {Path(L"missing.jpg"), text, empty, huge, std::wstring()}) {
    DebugOutputCapture capture;
    EXPECT_FALSE(t.AddTexture(path));
    EXPECT_EQ(DebugOutputCapture::Text(), "Failed to load texture. UserTextures::AddTexture ()\n");
  }
  EXPECT_EQ(t.Count(), 0);
  EXPECT_TRUE(t.AddTexture(Solid(L"after.bmp", 0, 255, 0)));  // the list still works
  EXPECT_EQ(DrawFrame(), 0x00FF00u);
}
