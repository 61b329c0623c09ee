#include "gfx/Effect.h"

#include <algorithm>
#include <cassert>

namespace gfx {
namespace {

std::string Located(std::string_view sourceName, int line, const std::string& reason) {
  return std::string(sourceName) + "(" + std::to_string(line) + "): " + reason;
}

// Assembles one shader; its text is padded so the assembler's line numbers are the file's.
HRESULT AssembleShader(const ShaderSource& source, ID3DXBuffer** code, std::string& messages) {
  const std::string padded = std::string(std::max(source.line - 1, 0), '\n') + source.text;
  Microsoft::WRL::ComPtr<ID3DXBuffer> errors;
  const HRESULT hr = D3DXAssembleShader(padded.c_str(), static_cast<UINT>(padded.size()), nullptr, nullptr, 0, code,
                                        errors.GetAddressOf());
  if (errors && errors->GetBufferSize() > 0)
    messages.assign(static_cast<const char*>(errors->GetBufferPointer()), errors->GetBufferSize());
  while (!messages.empty() && (messages.back() == '\0' || messages.back() == '\n')) messages.pop_back();
  return hr;
}

}  // namespace

std::unique_ptr<Effect> Effect::CreateFromMemory(IDirect3DDevice9* device, const void* data, size_t size,
                                                 std::string* errors, std::string_view sourceName,
                                                 const EffectOptions& options) {
  std::string error;
  EffectDesc desc;
  ParseError parseError;
  std::unique_ptr<Effect> effect;
  if (!device || !data) {
    error = std::string(sourceName) + ": no device or no data";
  } else if (!ParseEffect(std::string_view(static_cast<const char*>(data), size), desc, parseError)) {
    error = Located(sourceName, parseError.line, parseError.reason);
  } else {
    effect.reset(new Effect(device, std::move(desc)));
    if (!effect->Assemble(error, sourceName, options)) effect.reset();
  }
  if (errors) *errors = error;
  return effect;
}

Effect::Effect(IDirect3DDevice9* device, EffectDesc desc) : device_(device), desc_(std::move(desc)) {
  for (const ParamDecl& p : desc_.params) {
    if (p.type == ParamType::Texture) continue;
    std::vector<float> values(p.type == ParamType::Float4x4 ? 16 : p.type == ParamType::Float4 ? 4 : 1, 0.0f);
    std::copy(p.defaults.begin(), p.defaults.end(), values.begin());
    WriteConstants(p, values.data(), values.size());
  }
  if (!desc_.techniques.empty()) technique_ = 0;
}

Effect::~Effect() {
  if (begun_) End();
}

bool Effect::Assemble(std::string& error, std::string_view sourceName, const EffectOptions& options) {
  ShaderMaker direct;
  ShaderMaker& maker = options.shaderMaker ? *options.shaderMaker : direct;
  bool anyUsable = false;
  for (const TechniqueDecl& t : desc_.techniques) {
    std::vector<Pass>& passes = passes_.emplace_back();
    bool refused = false;
    for (const PassDecl& decl : t.passes) {
      Pass& pass = passes.emplace_back();
      for (const ShaderSource* source : {&decl.vertexShader, &decl.pixelShader}) {
        if (source->text.empty() || refused) continue;
        const bool vertex = source == &decl.vertexShader;
        const std::string what = std::string(vertex ? "vertex" : "pixel") + " shader of pass '" + decl.name +
                                 "' in technique '" + t.name + "'";
        Microsoft::WRL::ComPtr<ID3DXBuffer> code;
        std::string messages;
        if (FAILED(AssembleShader(*source, code.GetAddressOf(), messages)) || !code) {
          error = Located(sourceName, source->line, what + " does not assemble" +
                                                        (messages.empty() ? std::string() : ":\n" + messages));
          return false;
        }
        const auto* tokens = static_cast<const DWORD*>(code->GetBufferPointer());
        const HRESULT hr = vertex ? maker.CreateVertexShader(device_, tokens, pass.vertexShader.GetAddressOf())
                                  : maker.CreatePixelShader(device_, tokens, pass.pixelShader.GetAddressOf());
        if (FAILED(hr)) {
          const std::string refusal = Located(sourceName, source->line, "the device refused the " + what);
          if (!options.keepRefusedTechniques) {
            error = refusal;
            return false;
          }
          error += (error.empty() ? "" : "\n") + refusal;
          refused = true;
        }
      }
    }
    if (refused) passes.clear();  // nothing of it is drawn
    refused_.push_back(refused);
    anyUsable = anyUsable || !refused;
  }
  return anyUsable || desc_.techniques.empty();
}

bool Effect::TechniqueUsable(int technique) const {
  return technique >= 0 && technique < static_cast<int>(refused_.size()) && !refused_[technique];
}

int Effect::GetTechniqueByName(std::string_view name) const {
  for (size_t i = 0; i < desc_.techniques.size(); ++i)
    if (desc_.techniques[i].name == name) return static_cast<int>(i);
  return -1;
}

bool Effect::SetTechnique(std::string_view name) { return SetTechnique(GetTechniqueByName(name)); }

bool Effect::SetTechnique(int technique) {
  if (technique < 0 || technique >= static_cast<int>(desc_.techniques.size())) return false;
  technique_ = technique;
  return true;
}

Effect::Param Effect::GetParameter(std::string_view name, ParamType type) const {
  for (size_t i = 0; i < desc_.params.size(); ++i)
    if (desc_.params[i].name == name) return desc_.params[i].type == type ? Param{static_cast<int>(i)} : Param{};
  return {};
}

const ParamDecl* Effect::FindParam(Param param, ParamType type) const {
  if (param.index < 0 || param.index >= static_cast<int>(desc_.params.size())) return nullptr;
  const ParamDecl& p = desc_.params[param.index];
  return p.type == type ? &p : nullptr;
}

void Effect::WriteConstants(const ParamDecl& p, const float* values, size_t count) {
  if (p.type == ParamType::Float) {
    std::array<float, 4>& reg = constants_[p.reg];
    if (p.component >= 0)
      reg[p.component] = values[0];
    else
      reg.fill(values[0]);
  } else {
    for (size_t i = 0; i < count; ++i) constants_[p.reg + static_cast<int>(i / 4)][i % 4] = values[i];
  }
  constantsDirty_ = true;
}

bool Effect::SetFloat(Param param, float value) {
  const ParamDecl* p = FindParam(param, ParamType::Float);
  if (!p) return false;
  WriteConstants(*p, &value, 1);
  return true;
}

bool Effect::SetVector(Param param, const D3DXVECTOR4& value) {
  const ParamDecl* p = FindParam(param, ParamType::Float4);
  if (!p) return false;
  const float v[4] = {value.x, value.y, value.z, value.w};
  WriteConstants(*p, v, 4);
  return true;
}

bool Effect::SetMatrix(Param param, const D3DXMATRIX& value) {
  const ParamDecl* p = FindParam(param, ParamType::Float4x4);
  if (!p) return false;
  WriteConstants(*p, &value._11, 16);
  return true;
}

bool Effect::SetTexture(Param param, IDirect3DBaseTexture9* texture) {
  const ParamDecl* p = FindParam(param, ParamType::Texture);
  if (!p) return false;
  textures_[p->name] = texture;
  texturesDirty_ = true;
  return true;
}

bool Effect::SetFloat(std::string_view name, float value) {
  return SetFloat(GetParameter(name, ParamType::Float), value);
}

bool Effect::SetVector(std::string_view name, const D3DXVECTOR4& value) {
  return SetVector(GetParameter(name, ParamType::Float4), value);
}

bool Effect::SetMatrix(std::string_view name, const D3DXMATRIX& value) {
  return SetMatrix(GetParameter(name, ParamType::Float4x4), value);
}

bool Effect::SetTexture(std::string_view name, IDirect3DBaseTexture9* texture) {
  return SetTexture(GetParameter(name, ParamType::Texture), texture);
}

UINT Effect::Begin() {
  assert(!begun_ && "Effect::Begin twice without End");
  begun_ = true;
  pass_ = -1;
  saved_ = Saved{};
  constantsDirty_ = texturesDirty_ = true;
  return technique_ < 0 ? 0 : static_cast<UINT>(passes_[technique_].size());
}

bool Effect::BeginPass(UINT index) {
  assert(begun_ && "Effect::BeginPass outside Begin/End");
  if (!begun_ || technique_ < 0 || index >= passes_[technique_].size()) return false;
  pass_ = static_cast<int>(index);
  const PassDecl& decl = desc_.techniques[technique_].passes[index];
  const Pass& pass = passes_[technique_][index];

  if (!saved_.shaders) {
    saved_.shaders = true;
    device_->GetVertexShader(saved_.vertexShader.GetAddressOf());
    device_->GetPixelShader(saved_.pixelShader.GetAddressOf());
  }
  device_->SetVertexShader(pass.vertexShader.Get());
  device_->SetPixelShader(pass.pixelShader.Get());

  for (const auto& [state, value] : decl.renderStates) {
    if (!saved_.renderStates.count(state)) device_->GetRenderState(state, &saved_.renderStates[state]);
    device_->SetRenderState(state, value);
  }
  constantsDirty_ = texturesDirty_ = true;
  CommitChanges();
  return true;
}

void Effect::CommitChanges() {
  if (pass_ < 0) return;
  if (constantsDirty_) UploadConstants();
  if (texturesDirty_) BindSamplers();
}

void Effect::UploadConstants() {
  for (const auto& [reg, values] : constants_) {
    device_->SetPixelShaderConstantF(reg, values.data(), 1);
    device_->SetVertexShaderConstantF(reg, values.data(), 1);
  }
  constantsDirty_ = false;
}

void Effect::BindSamplers() {
  for (const SamplerDecl& s : desc_.samplers) {
    const DWORD stage = static_cast<DWORD>(s.reg);
    if (!saved_.textures.count(stage)) device_->GetTexture(stage, saved_.textures[stage].GetAddressOf());
    const auto texture = textures_.find(s.texture);
    device_->SetTexture(stage, texture == textures_.end() ? nullptr : texture->second.Get());
    for (const auto& [state, value] : s.states) {
      const auto key = std::make_pair(stage, state);
      if (!saved_.samplerStates.count(key)) device_->GetSamplerState(stage, state, &saved_.samplerStates[key]);
      device_->SetSamplerState(stage, state, value);
    }
  }
  texturesDirty_ = false;
}

void Effect::EndPass() { pass_ = -1; }

void Effect::End() {
  assert(begun_ && "Effect::End without Begin");
  if (!begun_) return;
  for (const auto& [state, value] : saved_.renderStates) device_->SetRenderState(state, value);
  for (const auto& [key, value] : saved_.samplerStates) device_->SetSamplerState(key.first, key.second, value);
  for (const auto& [stage, texture] : saved_.textures) device_->SetTexture(stage, texture.Get());
  if (saved_.shaders) {
    device_->SetVertexShader(saved_.vertexShader.Get());
    device_->SetPixelShader(saved_.pixelShader.Get());
  }
  saved_ = Saved{};
  begun_ = false;
  pass_ = -1;
}

}  // namespace gfx
