#pragma once
// The effect layer: the one place where effect files meet the device.
//
// Effect files are text in a small FX-like form. `//` and `/* */` are comments.
// Names of states and state values are case-insensitive; everything else is not.
//
//   float    name : c4;            // scalar in all four components of c4
//   float    name : c4.y = 0.5;    // scalar in one component (several may share c4)
//   float4   name : c5 = {1, 0, 0, 1};
//   float4x4 name : c8;            // rows in c8..c11, exactly as SetMatrix is given them
//   texture  name;                 // bound to samplers below
//
//   sampler name : s0 = sampler_state {
//     Texture = <name>;
//     AddressU = Wrap; AddressV = Clamp; AddressW = Mirror;  // Wrap Mirror Clamp Border MirrorOnce
//     MinFilter = Linear; MagFilter = Linear; MipFilter = Point;  // None Point Linear Anisotropic
//     MaxAnisotropy = 4; MaxMipLevel = 0; BorderColor = 0xff000000;
//   };
//
//   technique Name {
//     pass P0 {
//       AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha;  // render states
//       VertexShader = asm { vs_2_0 ... };   // optional; without it the fixed pipeline transforms
//       PixelShader = asm { ps_2_0 ... };    // assembled with D3DXAssembleShader at creation
//     }
//   }
//
// Render states: ZEnable ZWriteEnable ZFunc AlphaBlendEnable SrcBlend DestBlend BlendOp
// SeparateAlphaBlendEnable SrcBlendAlpha DestBlendAlpha BlendOpAlpha AlphaTestEnable AlphaRef
// AlphaFunc CullMode FillMode ColorWriteEnable Lighting PointSpriteEnable; values are names
// (true/false, Zero/One/SrcAlpha/InvSrcAlpha/..., Less/Always/..., None/CW/CCW) or numbers.
// Shader text runs to the next '}', so it must not contain one; its line numbers are those of
// the file. Parameters go to the same registers of both shader stages.
#include <d3d9.h>
#include <d3dx9.h>
#include <wrl/client.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/EffectDesc.h"

namespace gfx {

// Makes the shaders on the device; the tests put in one that refuses some, as an
// older adapter's driver may.
class ShaderMaker {
public:
  virtual ~ShaderMaker() = default;
  virtual HRESULT CreateVertexShader(IDirect3DDevice9* device, const DWORD* tokens, IDirect3DVertexShader9** shader) {
    return device->CreateVertexShader(tokens, shader);
  }
  virtual HRESULT CreatePixelShader(IDirect3DDevice9* device, const DWORD* tokens, IDirect3DPixelShader9** shader) {
    return device->CreatePixelShader(tokens, shader);
  }
};

struct EffectOptions {
  // A technique whose shader the device refuses is kept as unusable (TechniqueUsable)
  // instead of failing the whole effect; the refusals are still listed in the errors.
  bool keepRefusedTechniques = false;
  ShaderMaker* shaderMaker = nullptr;  // null: the device's own
};

class Effect {
public:
  // Parses and assembles the file image. Returns null and fills errors with
  // "<sourceName>(<line>): <reason>" when the file or one of its shaders is faulty.
  static std::unique_ptr<Effect> CreateFromMemory(IDirect3DDevice9* device, const void* data, size_t size,
                                                  std::string* errors, std::string_view sourceName = "effect",
                                                  const EffectOptions& options = {});
  ~Effect();
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  // Index of the technique, or -1.
  int GetTechniqueByName(std::string_view name) const;
  bool SetTechnique(std::string_view name);
  bool SetTechnique(int technique);
  int CurrentTechnique() const { return technique_; }
  // False for an unknown technique, or one whose shaders the device refused.
  bool TechniqueUsable(int technique) const;

  // A parameter looked up once, by name and type, and set by handle in the frame;
  // empty when the file declares no such parameter (setting it then does nothing).
  struct Param {
    int index = -1;
    explicit operator bool() const { return index >= 0; }
  };
  Param GetParameter(std::string_view name, ParamType type) const;
  bool SetFloat(Param param, float value);
  bool SetVector(Param param, const D3DXVECTOR4& value);
  bool SetMatrix(Param param, const D3DXMATRIX& value);
  bool SetTexture(Param param, IDirect3DBaseTexture9* texture);

  // Names the file does not declare (or of another type) are ignored: false.
  bool SetFloat(std::string_view name, float value);
  bool SetVector(std::string_view name, const D3DXVECTOR4& value);
  bool SetMatrix(std::string_view name, const D3DXMATRIX& value);
  bool SetTexture(std::string_view name, IDirect3DBaseTexture9* texture);

  // Begin returns the pass count of the current technique (0 without one).
  UINT Begin();
  // Binds the pass's shaders, the constants, the textures, sampler and render states.
  bool BeginPass(UINT pass);
  // Sends parameters changed since BeginPass to the device.
  void CommitChanges();
  void EndPass();
  // Restores every device state the passes changed since Begin.
  void End();

  const EffectDesc& Desc() const { return desc_; }

private:
  struct Pass {
    Microsoft::WRL::ComPtr<IDirect3DVertexShader9> vertexShader;
    Microsoft::WRL::ComPtr<IDirect3DPixelShader9> pixelShader;
  };
  struct Saved {
    std::map<D3DRENDERSTATETYPE, DWORD> renderStates;
    std::map<std::pair<DWORD, D3DSAMPLERSTATETYPE>, DWORD> samplerStates;
    std::map<DWORD, Microsoft::WRL::ComPtr<IDirect3DBaseTexture9>> textures;
    bool shaders = false;
    Microsoft::WRL::ComPtr<IDirect3DVertexShader9> vertexShader;
    Microsoft::WRL::ComPtr<IDirect3DPixelShader9> pixelShader;
  };

  Effect(IDirect3DDevice9* device, EffectDesc desc);
  bool Assemble(std::string& error, std::string_view sourceName, const EffectOptions& options);
  const ParamDecl* FindParam(Param param, ParamType type) const;
  void WriteConstants(const ParamDecl& p, const float* values, size_t count);
  void UploadConstants();
  void BindSamplers();

  IDirect3DDevice9* device_;  // borrowed from the render window
  EffectDesc desc_;
  std::vector<std::vector<Pass>> passes_;            // per technique
  std::vector<bool> refused_;                        // per technique: the device refused a shader
  std::map<int, std::array<float, 4>> constants_;   // register image, by register
  std::map<std::string, Microsoft::WRL::ComPtr<IDirect3DBaseTexture9>, std::less<>> textures_;
  bool constantsDirty_ = true;
  bool texturesDirty_ = true;
  int technique_ = -1;
  bool begun_ = false;
  int pass_ = -1;
  Saved saved_;
};

}  // namespace gfx
