// The effect file grammar, without a device: declarations land where the text
// puts them, and every fault names its line.
#include <gtest/gtest.h>

#include "gfx/EffectDesc.h"

using namespace gfx;

namespace {
const char kGood[] = R"(// header comment
float time_0_X : c0.x = 0.5;
float speed    : c0.y;
float gain     : c1 = 2;          /* whole register */
float4 tint    : c2 = {1, 0.5, 0.25, 1};
float4x4 wvp   : c4;
texture texNoise;
sampler noiseSampler : s3 = sampler_state {
  Texture = <texNoise>;
  AddressU = Wrap; addressv = CLAMP; AddressW = Mirror;
  MinFilter = Linear; MagFilter = Point; MipFilter = None;
  BorderColor = 0xff102030;
};
technique Two {
  pass First {
    AlphaBlendEnable = true; SrcBlend = One; DestBlend = InvSrcAlpha; CullMode = None;
    PixelShader = asm {
      ps_2_0
      mov oC0, c2
    };
  }
  pass Second {
    ZEnable = false; AlphaRef = 128;
    VertexShader = asm { vs_2_0
      dcl_position v0
      mov oPos, v0 };
    PixelShader = asm { ps_2_0 mov oC0, c1 };
  }
}
)";

ParseError ParseFails(const std::string& text) {
  EffectDesc desc;
  ParseError error;
  EXPECT_FALSE(ParseEffect(text, desc, error)) << text;
  EXPECT_TRUE(desc.params.empty() && desc.techniques.empty());
  return error;
}
}  // namespace

TEST(EffectParser, ReadsParametersSamplersAndPasses) {
  EffectDesc desc;
  ParseError error;
  ASSERT_TRUE(ParseEffect(kGood, desc, error)) << error.line << ": " << error.reason;

  ASSERT_EQ(desc.params.size(), 6u);
  EXPECT_EQ(desc.params[0].name, "time_0_X");
  EXPECT_EQ(desc.params[0].reg, 0);
  EXPECT_EQ(desc.params[0].component, 0);
  EXPECT_EQ(desc.params[0].defaults, std::vector<float>{0.5f});
  EXPECT_EQ(desc.params[1].component, 1);
  EXPECT_EQ(desc.params[2].component, -1);
  EXPECT_EQ(desc.params[3].type, ParamType::Float4);
  EXPECT_EQ(desc.params[3].defaults, (std::vector<float>{1, 0.5f, 0.25f, 1}));
  EXPECT_EQ(desc.params[4].type, ParamType::Float4x4);
  EXPECT_EQ(desc.params[4].reg, 4);
  EXPECT_EQ(desc.params[5].type, ParamType::Texture);

  ASSERT_EQ(desc.samplers.size(), 1u);
  const SamplerDecl& s = desc.samplers[0];
  EXPECT_EQ(s.reg, 3);
  EXPECT_EQ(s.texture, "texNoise");
  using State = std::pair<D3DSAMPLERSTATETYPE, DWORD>;
  EXPECT_EQ(s.states, (std::vector<State>{{D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP},
                                          {D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP},
                                          {D3DSAMP_ADDRESSW, D3DTADDRESS_MIRROR},
                                          {D3DSAMP_MINFILTER, D3DTEXF_LINEAR},
                                          {D3DSAMP_MAGFILTER, D3DTEXF_POINT},
                                          {D3DSAMP_MIPFILTER, D3DTEXF_NONE},
                                          {D3DSAMP_BORDERCOLOR, 0xff102030u}}));

  ASSERT_EQ(desc.techniques.size(), 1u);
  const TechniqueDecl& t = desc.techniques[0];
  ASSERT_EQ(t.passes.size(), 2u);
  using RS = std::pair<D3DRENDERSTATETYPE, DWORD>;
  EXPECT_EQ(t.passes[0].renderStates, (std::vector<RS>{{D3DRS_ALPHABLENDENABLE, TRUE},
                                                       {D3DRS_SRCBLEND, D3DBLEND_ONE},
                                                       {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
                                                       {D3DRS_CULLMODE, D3DCULL_NONE}}));
  EXPECT_TRUE(t.passes[0].vertexShader.text.empty());
  EXPECT_NE(t.passes[0].pixelShader.text.find("mov oC0, c2"), std::string::npos);
  EXPECT_EQ(t.passes[0].pixelShader.line, 17);  // the line of the asm block's brace
  EXPECT_EQ(t.passes[1].renderStates, (std::vector<RS>{{D3DRS_ZENABLE, FALSE}, {D3DRS_ALPHAREF, 128}}));
  EXPECT_EQ(t.passes[1].vertexShader.line, 24);
  EXPECT_EQ(t.passes[1].pixelShader.line, 27);
}

TEST(EffectParser, FaultsNameTheirLineAndReason) {
  struct Case {
    const char* text;
    int line;
    const char* reason;
  } cases[] = {
      {"float a : c0;\n\nfloat b : c0.y;\n", 3, "overlaps the register of 'a'"},
      {"float a : c0.x;\nfloat b : c0.x;\n", 2, "overlaps"},
      {"float4x4 m : c0;\nfloat4 v : c3;\n", 2, "overlaps"},
      {"float a : c0;\nfloat a : c1;\n", 2, "declared twice"},
      {"float a : r0;\n", 1, "expected a register c#"},
      {"float a : c0\nfloat b : c1;\n", 2, "expected ';'"},
      {"float4 v : c0 = {1, 2, 3, 4, 5};\n", 1, "too many default values"},
      {"float a : c0 = x;\n", 1, "expected a number"},
      {"texture t;\nsampler s : s0 = sampler_state {\n  Texture = <u>;\n};\n", 3, "texture 'u' is not declared"},
      {"sampler s : s0 = sampler_state {\n AddressU = Sideways;\n};\n", 2, "'Sideways' is not a value"},
      {"sampler s : s0 = sampler_state {\n Blur = 1;\n};\n", 2, "unknown sampler state 'Blur'"},
      {"sampler s : s16 = sampler_state { };\n", 1, "out of range"},
      {"technique T {\n pass P {\n  AlphaBlend = true;\n }\n}\n", 3, "unknown render state 'AlphaBlend'"},
      {"technique T {\n}\n", 1, "has no pass"},
      {"technique T {\n pass P {\n  PixelShader = asm {\n ps_2_0\n", 3, "no closing '}'"},
      {"technique T {\n pass P {\n  PixelShader = asm { };\n }\n}\n", 3, "empty"},
      {"technique T { pass P { PixelShader = asm { ps_2_0 }; PixelShader = asm { ps_2_0 }; } }", 1, "set twice"},
      {"technique T { pass P { } }\ntechnique T { pass P { } }\n", 2, "declared twice"},
      {"\n\nfloat2 a : c0;\n", 3, "expected a parameter, sampler or technique but found 'float2'"},
      {"/* unterminated\n\n", 3, ""},
      // Numbers that do not fit what they set: refused, not clamped or wrapped.
      {"technique T {\n pass P {\n  AlphaRef = 0x100000000;\n }\n}\n", 3, "'0x100000000' is out of range"},
      {"technique T { pass P { ColorWriteEnable = 99999999999999999999999; } }", 1, "out of range"},
      {"technique T { pass P { AlphaRef = -1; } }", 1, "'-1' is out of range"},
      {"float a : c0;\nfloat b : c1 = 1e999;\n", 2, "'1e999' is out of range"},
      {"float4 v : c0 = {1, -1e39, 0, 0};\n", 1, "out of range"},
  };
  for (const Case& c : cases) {
    if (c.reason[0] == '\0') {  // a comment running to the end is simply the end of the file
      EffectDesc desc;
      ParseError error;
      EXPECT_TRUE(ParseEffect(c.text, desc, error));
      continue;
    }
    const ParseError error = ParseFails(c.text);
    EXPECT_EQ(error.line, c.line) << c.text;
    EXPECT_NE(error.reason.find(c.reason), std::string::npos) << c.text << "\n gave: " << error.reason;
  }
}

TEST(EffectParser, NumbersAndStateValuesInTheirUsualSpellings) {
  EffectDesc desc;
  ParseError error;
  ASSERT_TRUE(ParseEffect("float a : c0 = -1.5e1f;\nfloat b : c1 = .25;\n"
                          "technique T { pass P { ColorWriteEnable = 0x7; ZFunc = LessEqual; BlendOp = RevSubtract; } }",
                          desc, error))
      << error.reason;
  EXPECT_EQ(desc.params[0].defaults[0], -15.0f);
  EXPECT_EQ(desc.params[1].defaults[0], 0.25f);
  using RS = std::pair<D3DRENDERSTATETYPE, DWORD>;
  EXPECT_EQ(desc.techniques[0].passes[0].renderStates,
            (std::vector<RS>{{D3DRS_COLORWRITEENABLE, 7}, {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
                             {D3DRS_BLENDOP, D3DBLENDOP_REVSUBTRACT}}));

  // The largest whole numbers still fit, in every spelling.
  ASSERT_TRUE(ParseEffect("technique T { pass P { AlphaRef = 0xFFFFFFFF; ColorWriteEnable = 4294967295;"
                          " AlphaRef = 017; } }",
                          desc, error))
      << error.reason;
  EXPECT_EQ(desc.techniques[0].passes[0].renderStates,
            (std::vector<RS>{{D3DRS_ALPHAREF, 0xFFFFFFFFu}, {D3DRS_COLORWRITEENABLE, 0xFFFFFFFFu}, {D3DRS_ALPHAREF, 15}}));
  ASSERT_TRUE(ParseEffect("float tiny : c0 = 1e-40;\n", desc, error)) << error.reason;
  EXPECT_GE(desc.params[0].defaults[0], 0.0f);
}
