#pragma once
#include <d3d9.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The parsed form of an effect file (see gfx/Effect.h for the text form). Plain
// data: parsing needs no device, so the grammar is tested on its own.
namespace gfx {

enum class ParamType { Float, Float4, Float4x4, Texture };

struct ParamDecl {
  std::string name;
  ParamType type = ParamType::Float;
  int reg = -1;        // first constant register c#, -1 for textures
  int component = -1;  // 0..3 for a float bound to one component; -1: whole register(s)
  std::vector<float> defaults;  // as written; missing values are 0
  int line = 0;
};

struct SamplerDecl {
  std::string name;
  int reg = 0;          // sampler register s#
  std::string texture;  // name of the texture parameter bound to it (may be empty)
  std::vector<std::pair<D3DSAMPLERSTATETYPE, DWORD>> states;
  int line = 0;
};

struct ShaderSource {
  std::string text;  // assembly, empty when the pass has no shader of this kind
  int line = 0;      // file line of the text's first line
};

struct PassDecl {
  std::string name;
  std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> renderStates;
  ShaderSource vertexShader;
  ShaderSource pixelShader;
  int line = 0;
};

struct TechniqueDecl {
  std::string name;
  std::vector<PassDecl> passes;
  int line = 0;
};

struct EffectDesc {
  std::vector<ParamDecl> params;
  std::vector<SamplerDecl> samplers;
  std::vector<TechniqueDecl> techniques;
};

struct ParseError {
  int line = 0;
  std::string reason;
};

// Fills desc from the text, or returns false with the line and reason of the
// first fault.
bool ParseEffect(std::string_view text, EffectDesc& desc, ParseError& error);

// Registers taken by a parameter (1, or 4 for a matrix; 0 for a texture).
int RegisterCount(ParamType type);

}  // namespace gfx
