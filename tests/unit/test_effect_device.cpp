// The effect layer on a real device: parameters reach their registers, textures
// their samplers, passes bind and End restores; faulty shaders give no effect.
#include <gtest/gtest.h>

#include <cstring>

#include "gfx/Effect.h"
#include "render/Window.h"
#include "tests/unit/TestWindows.h"

using Microsoft::WRL::ComPtr;

namespace {
const char kEffect[] = R"(float a : c0.x;
float b : c0.z = 7;
float whole : c1 = 3;
float4 tint : c2 = {1, 0, 0, 1};
float4x4 m : c4;
texture texA;
texture texB;
sampler sa : s1 = sampler_state { Texture = <texA>; AddressU = Clamp; MinFilter = Point; };
sampler sb : s4 = sampler_state { Texture = <texB>; AddressV = Mirror; };

technique Single {
  pass P0 {
    PixelShader = asm {
      ps_2_0
      mov oC0, c2
    };
  }
}

technique Double {
  pass Red {
    AlphaBlendEnable = false;
    PixelShader = asm {
      ps_2_0
      def c20, 1, 0, 0, 1
      mov oC0, c20
    };
  }
  pass AddGreen {
    AlphaBlendEnable = true; SrcBlend = One; DestBlend = One;
    PixelShader = asm {
      ps_2_0
      def c20, 0, 1, 0, 1
      mov oC0, c20
    };
  }
}
)";

struct Vertex {
  float x, y, z, rhw, u, v;
};

class EffectOnDevice : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(w.Create(window.hwnd));
    device = w.device.Get();
    std::string errors;
    effect = gfx::Effect::CreateFromMemory(device, kEffect, sizeof(kEffect) - 1, &errors, "test.fx");
    ASSERT_TRUE(effect) << errors;
  }
  void TearDown() override {
    effect.reset();
    w.ReleaseAll();
  }
  std::array<float, 4> PixelConstant(int reg) {
    std::array<float, 4> v{};
    device->GetPixelShaderConstantF(reg, v.data(), 1);
    return v;
  }
  void DrawQuad() {
    const Vertex quad[4] = {{0, 0, 0, 1, 0, 0}, {64, 0, 0, 1, 1, 0}, {64, 64, 0, 1, 1, 1}, {0, 64, 0, 1, 0, 1}};
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(Vertex));
  }

  TestWindow window{L"EffectDevice", 64, 64};
  Window w;
  IDirect3DDevice9* device = nullptr;
  std::unique_ptr<gfx::Effect> effect;
};

using Reg = std::array<float, 4>;
}  // namespace

TEST_F(EffectOnDevice, ParametersReachTheirRegisters) {
  EXPECT_TRUE(effect->SetFloat("a", 1.5f));
  EXPECT_TRUE(effect->SetFloat("whole", 4.0f));
  EXPECT_TRUE(effect->SetVector("tint", D3DXVECTOR4(0.1f, 0.2f, 0.3f, 0.4f)));
  D3DXMATRIX m;
  for (int i = 0; i < 16; ++i) (&m._11)[i] = static_cast<float>(i + 1);
  EXPECT_TRUE(effect->SetMatrix("m", m));
  ASSERT_EQ(effect->Begin(), 1u);
  ASSERT_TRUE(effect->BeginPass(0));
  EXPECT_EQ(PixelConstant(0), (Reg{1.5f, 0, 7, 0}));  // components share c0; b kept its default
  EXPECT_EQ(PixelConstant(1), (Reg{4, 4, 4, 4}));    // a whole-register float fills all four
  EXPECT_EQ(PixelConstant(2), (Reg{0.1f, 0.2f, 0.3f, 0.4f}));
  for (int row = 0; row < 4; ++row)  // rows as given, no transposition
    EXPECT_EQ(PixelConstant(4 + row), (Reg{m(row, 0), m(row, 1), m(row, 2), m(row, 3)}));
  Reg vs{};
  device->GetVertexShaderConstantF(2, vs.data(), 1);
  EXPECT_EQ(vs, (Reg{0.1f, 0.2f, 0.3f, 0.4f}));

  // Changes inside a pass reach the device with CommitChanges.
  effect->SetFloat("b", -2.0f);
  effect->CommitChanges();
  EXPECT_EQ(PixelConstant(0), (Reg{1.5f, 0, -2, 0}));
  effect->EndPass();
  effect->End();
}

TEST_F(EffectOnDevice, UnknownNamesAndWrongTypesAreIgnored) {
  EXPECT_FALSE(effect->SetFloat("missing", 1.0f));
  EXPECT_FALSE(effect->SetFloat("tint", 1.0f));  // a float4
  EXPECT_FALSE(effect->SetTexture("a", nullptr));
  EXPECT_FALSE(effect->SetTechnique("Nope"));
  EXPECT_EQ(effect->GetTechniqueByName("Nope"), -1);
  EXPECT_EQ(effect->GetTechniqueByName("Double"), 1);
  EXPECT_EQ(effect->CurrentTechnique(), 0);  // still the first
}

TEST_F(EffectOnDevice, TexturesReachTheirSamplersAndEndRestores) {
  ComPtr<IDirect3DTexture9> a, b, before;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &a, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &b, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &before, nullptr), D3D_OK);
  device->SetTexture(1, before.Get());
  device->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);

  EXPECT_TRUE(effect->SetTexture("texA", a.Get()));
  EXPECT_TRUE(effect->SetTexture("texB", b.Get()));
  ASSERT_TRUE(effect->SetTechnique("Double"));
  ASSERT_EQ(effect->Begin(), 2u);
  ASSERT_TRUE(effect->BeginPass(0));
  ComPtr<IDirect3DBaseTexture9> bound;
  device->GetTexture(1, &bound);
  EXPECT_EQ(bound.Get(), a.Get());
  device->GetTexture(4, bound.ReleaseAndGetAddressOf());
  EXPECT_EQ(bound.Get(), b.Get());
  DWORD value = 0;
  device->GetSamplerState(1, D3DSAMP_ADDRESSU, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_CLAMP));
  device->GetSamplerState(4, D3DSAMP_ADDRESSV, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_MIRROR));
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(FALSE));
  ComPtr<IDirect3DPixelShader9> shader;
  device->GetPixelShader(&shader);
  EXPECT_TRUE(shader);
  effect->EndPass();
  ASSERT_TRUE(effect->BeginPass(1));
  device->GetRenderState(D3DRS_DESTBLEND, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_ONE));
  effect->EndPass();
  effect->End();

  device->GetTexture(1, bound.ReleaseAndGetAddressOf());
  EXPECT_EQ(bound.Get(), before.Get());
  device->GetTexture(4, bound.ReleaseAndGetAddressOf());
  EXPECT_EQ(bound.Get(), nullptr);
  device->GetSamplerState(1, D3DSAMP_ADDRESSU, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_WRAP));
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(TRUE));
  device->GetRenderState(D3DRS_DESTBLEND, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_ZERO));
  device->GetPixelShader(shader.ReleaseAndGetAddressOf());
  EXPECT_FALSE(shader);
  device->SetTexture(1, nullptr);
}

TEST_F(EffectOnDevice, TwoPassesDrawOneAfterTheOther) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  effect->SetTechnique("Double");
  const UINT passes = effect->Begin();
  for (UINT p = 0; p < passes; ++p) {
    effect->BeginPass(p);
    DrawQuad();
    effect->EndPass();
  }
  effect->End();
  device->EndScene();
  EXPECT_EQ(ReadBackPixel(device, 32, 32) & 0xFFFFFF, 0xFFFF00u);  // red, then green added
}

TEST(EffectLayer, ABrokenShaderGivesAnErrorAndNoEffect) {
  TestWindow window(L"EffectBroken", 32, 32);
  Window w;
  ASSERT_TRUE(w.Create(window.hwnd));
  const std::string text =
      "float a : c0;\n"
      "technique T {\n"
      "  pass P {\n"
      "    PixelShader = asm {\n"
      "      ps_2_0\n"
      "      bogus r0, c0\n"
      "      mov oC0, r0\n"
      "    };\n"
      "  }\n"
      "}\n";
  std::string errors;
  auto effect = gfx::Effect::CreateFromMemory(w.device.Get(), text.data(), text.size(), &errors, "Broken.fx");
  EXPECT_FALSE(effect);
  EXPECT_NE(errors.find("Broken.fx(4): pixel shader of pass 'P' in technique 'T' does not assemble"),
            std::string::npos)
      << errors;

  const std::string unparsable = "float a : c0;\ntechnique T {\n  pass P {\n    Bogus = 1;\n";
  effect = gfx::Effect::CreateFromMemory(w.device.Get(), unparsable.data(), unparsable.size(), &errors, "Bad.fx");
  EXPECT_FALSE(effect);
  EXPECT_EQ(errors, "Bad.fx(4): unknown render state 'Bogus'");
  w.ReleaseAll();
}
