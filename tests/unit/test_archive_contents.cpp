#include <gtest/gtest.h>

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include <unzip.h>

#include "resources/GdiPlus.h"
#include "resources/LanguageTables.h"
#include "resources/Strings.h"
#include "resources/ZipReader.h"
#include "test_archive_paths.h"

using Microsoft::WRL::ComPtr;
using namespace Gdiplus::DllExports;
using WorkSpace::ZipReader;

namespace {
std::vector<std::wstring> NamedPictures() {
  std::vector<std::wstring> names = {L"Resource/logo.png"};
  for (uint32_t lang = 0; lang < kLanguageCount; ++lang) {
    names.push_back(ListBoxPictureEntry(lang));
    names.push_back(ErrorPictureEntry(lang));
  }
  return names;
}

std::vector<std::wstring> NamedEntries() {
  std::vector<std::wstring> names = NamedPictures();
  for (uint32_t lang = 0; lang < kLanguageCount; ++lang) names.push_back(LanguageFileEntry(lang));
  for (const wchar_t* name : {L"Resource/Particle.tga", L"Resource/Flame.tga", L"Resource/NoiseVolume.dds",
                              L"Resource/Blobs_0.blb", L"Resource/Blobs_1.blb", L"Resource/Blobs_2.blb",
                              L"Resource/Blobs_3.blb"})
    names.push_back(name);
  return names;
}

class ShippedArchive : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(reader.Open(::ShippedArchive(), WorkSpace::kResourcePassword)); }

  std::vector<uint8_t> Entry(const std::wstring& name) {
    const WorkSpace::ArchiveBytes entry = reader.ReadEntry(name);
    return entry ? std::vector<uint8_t>(entry.get(), entry.get() + entry.size) : std::vector<uint8_t>();
  }

  ZipReader reader;
};

// A small windowed device for the texture loaders; null where none can be made.
struct Device {
  Device() {
    window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    *direct3D.ReleaseAndGetAddressOf() = Direct3DCreate9(D3D_SDK_VERSION);  // not Attach: it adds a reference
    if (!window || !direct3D) return;
    D3DPRESENT_PARAMETERS pp{};
    pp.Windowed = TRUE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferWidth = pp.BackBufferHeight = 64;
    direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                           &device);
  }
  ~Device() {
    device.Reset();
    direct3D.Reset();
    if (window) DestroyWindow(window);
  }
  HWND window = nullptr;
  ComPtr<IDirect3D9> direct3D;
  ComPtr<IDirect3DDevice9> device;
};
}  // namespace

TEST_F(ShippedArchive, EveryEntryIsEncryptedAndEveryNamedEntryReads) {
  unzFile zip = unzOpen(ToAnsi(::ShippedArchive()).c_str());
  ASSERT_NE(zip, nullptr);
  int entries = 0;
  for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip), ++entries) {
    unz_file_info info{};
    char name[260] = {};
    ASSERT_EQ(unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0), UNZ_OK);
    EXPECT_EQ(info.flag & 1u, 1u) << name << " is not encrypted";
    EXPECT_EQ(std::string(name).rfind("Resource/", 0), 0u) << name;
    EXPECT_TRUE(info.compression_method == 0 || info.compression_method == Z_DEFLATED) << name;
  }
  unzClose(zip);
  EXPECT_GE(entries, 29);

  for (const std::wstring& name : NamedEntries()) EXPECT_FALSE(Entry(name).empty()) << ToUtf8(name);

  ZipReader wrongPassword;
  ASSERT_TRUE(wrongPassword.Open(::ShippedArchive(), L"0000000"));
  EXPECT_FALSE(wrongPassword.ReadEntry(L"Resource/logo.png"));
}

TEST_F(ShippedArchive, PicturesDecodeThroughGdiPlusAtFittingSizes) {
  for (const std::wstring& name : NamedPictures()) {
    SCOPED_TRACE(ToUtf8(name));
    Gdi::Bitmap picture(reader.ReadEntryBitmap(name));
    ASSERT_NE(picture.Handle(), nullptr);
    const UINT w = picture.Width(), h = picture.Height();
    if (name == L"Resource/logo.png") {
      EXPECT_GE(w, 100u);
      EXPECT_LE(w, 200u);
      Gdiplus::PixelFormat format = 0;
      GdipGetImagePixelFormat(picture.Handle(), &format);
      EXPECT_TRUE(format & PixelFormatAlpha);
      Gdiplus::ARGB corner = 0xFFFFFFFF;
      GdipBitmapGetPixel(picture.BitmapHandle(), 0, 0, &corner);
      EXPECT_EQ(corner >> 24, 0u);  // transparent around the mark
    } else {
      EXPECT_GE(w, 200u);
      EXPECT_LE(w, 640u);
      EXPECT_LE(h, 480u);
    }
  }
}

TEST_F(ShippedArchive, TexturesLoadWithTheLoadersThatReadThem) {
  struct Texture {
    const wchar_t* name;
    D3DRESOURCETYPE type;
    D3DXIMAGE_FILEFORMAT format;
  };
  const Texture textures[] = {
      {L"Resource/Particle.tga", D3DRTYPE_TEXTURE, D3DXIFF_TGA},
      {L"Resource/Flame.tga", D3DRTYPE_TEXTURE, D3DXIFF_TGA},
      {L"Resource/NoiseVolume.dds", D3DRTYPE_VOLUMETEXTURE, D3DXIFF_DDS},
      {L"Resource/Blobs_0.blb", D3DRTYPE_CUBETEXTURE, D3DXIFF_DDS},
      {L"Resource/Blobs_1.blb", D3DRTYPE_CUBETEXTURE, D3DXIFF_DDS},
      {L"Resource/Blobs_2.blb", D3DRTYPE_CUBETEXTURE, D3DXIFF_DDS},
      {L"Resource/Blobs_3.blb", D3DRTYPE_CUBETEXTURE, D3DXIFF_DDS},
  };
  Device d3d;
  for (const Texture& t : textures) {
    SCOPED_TRACE(ToUtf8(t.name));
    const std::vector<uint8_t> data = Entry(t.name);
    ASSERT_FALSE(data.empty());
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(data.data(), static_cast<UINT>(data.size()), &info), D3D_OK);
    EXPECT_EQ(info.ResourceType, t.type);
    EXPECT_EQ(info.ImageFileFormat, t.format);
    if (t.type == D3DRTYPE_VOLUMETEXTURE) {
      EXPECT_GE(info.Depth, 16u);
    }
    if (!d3d.device) continue;

    HRESULT hr = E_FAIL;
    if (t.type == D3DRTYPE_TEXTURE) {
      ComPtr<IDirect3DTexture9> texture;
      hr = D3DXCreateTextureFromFileInMemoryEx(d3d.device.Get(), data.data(), static_cast<UINT>(data.size()), 0, 0, 3,
                                               0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                               nullptr, nullptr, &texture);
    } else if (t.type == D3DRTYPE_VOLUMETEXTURE) {
      ComPtr<IDirect3DVolumeTexture9> volume;
      hr = D3DXCreateVolumeTextureFromFileInMemoryEx(d3d.device.Get(), data.data(), static_cast<UINT>(data.size()), 0,
                                                     0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                                     D3DX_DEFAULT, 0xFF000000, nullptr, nullptr, &volume);
    } else {
      ComPtr<IDirect3DCubeTexture9> cube;
      hr = D3DXCreateCubeTextureFromFileInMemory(d3d.device.Get(), data.data(), static_cast<UINT>(data.size()), &cube);
    }
    EXPECT_EQ(hr, D3D_OK);
  }
  EXPECT_TRUE(d3d.device) << "no Direct3D device: only the file headers were checked";
}

// The four environment maps must look different from one another.
TEST_F(ShippedArchive, BlobMapsHaveFourDistinctLooks) {
  std::vector<std::vector<uint8_t>> maps;
  for (int i = 0; i < 4; ++i) maps.push_back(Entry(L"Resource/Blobs_" + std::to_wstring(i) + L".blb"));
  auto averageColour = [](const std::vector<uint8_t>& dds) {
    double sum[3] = {};
    const size_t texels = (dds.size() - 128) / 4;
    for (size_t i = 128; i + 3 < dds.size(); i += 4)
      for (int c = 0; c < 3; ++c) sum[c] += dds[i + c];
    return std::vector<double>{sum[0] / texels, sum[1] / texels, sum[2] / texels};
  };
  for (int a = 0; a < 4; ++a)
    for (int b = a + 1; b < 4; ++b) {
      const auto ca = averageColour(maps[a]), cb = averageColour(maps[b]);
      const double distance = std::abs(ca[0] - cb[0]) + std::abs(ca[1] - cb[1]) + std::abs(ca[2] - cb[2]);
      EXPECT_GT(distance, 20.0) << a << " and " << b;
    }
}
