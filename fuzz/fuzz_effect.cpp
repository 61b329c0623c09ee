// Effect files of any bytes: the parser either gives a description that keeps the
// grammar's promises, or an empty one and a fault on a line of the file.
#include <algorithm>
#include <set>
#include <string>

#include "FuzzSupport.h"
#include "gfx/EffectDesc.h"

using namespace gfx;

namespace {
void CheckDescription(const EffectDesc& desc, int lines) {
  std::set<std::string> names;
  for (const ParamDecl& p : desc.params) {
    FUZZ_CHECK(names.insert(p.name).second);
    FUZZ_CHECK(p.line >= 1 && p.line <= lines);
    if (p.type == ParamType::Texture) {
      FUZZ_CHECK(p.reg == -1 && p.defaults.empty());
      continue;
    }
    FUZZ_CHECK(p.reg >= 0 && p.reg <= 255);
    FUZZ_CHECK(p.component >= -1 && p.component <= 3);
    FUZZ_CHECK(p.component == -1 || p.type == ParamType::Float);
    FUZZ_CHECK(p.defaults.size() <= (p.type == ParamType::Float ? 1u : p.type == ParamType::Float4 ? 4u : 16u));
  }
  std::set<int> samplerRegs;
  for (const SamplerDecl& s : desc.samplers) {
    FUZZ_CHECK(names.insert(s.name).second);
    FUZZ_CHECK(s.reg >= 0 && s.reg <= 15 && samplerRegs.insert(s.reg).second);
    FUZZ_CHECK(s.line >= 1 && s.line <= lines);
    if (!s.texture.empty())
      FUZZ_CHECK(std::any_of(desc.params.begin(), desc.params.end(), [&](const ParamDecl& p) {
        return p.type == ParamType::Texture && p.name == s.texture;
      }));
  }
  std::set<std::string> techniques;
  for (const TechniqueDecl& t : desc.techniques) {
    FUZZ_CHECK(techniques.insert(t.name).second);
    FUZZ_CHECK(!t.passes.empty());
    for (const PassDecl& pass : t.passes) {
      FUZZ_CHECK(pass.line >= t.line && pass.line <= lines);
      for (const ShaderSource* shader : {&pass.vertexShader, &pass.pixelShader})
        if (!shader->text.empty()) FUZZ_CHECK(shader->line >= pass.line && shader->line <= lines);
    }
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = Bytes(data, size);
  const int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  EffectDesc desc;
  ParseError error;
  if (ParseEffect(text, desc, error)) {
    FUZZ_CHECK(error.reason.empty());
    CheckDescription(desc, lines);
  } else {
    FUZZ_CHECK(desc.params.empty() && desc.samplers.empty() && desc.techniques.empty());
    FUZZ_CHECK(!error.reason.empty());
    FUZZ_CHECK(error.line >= 1 && error.line <= lines);
  }
  return 0;
}
