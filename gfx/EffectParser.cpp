#include "gfx/EffectDesc.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace gfx {
namespace {

// ---- names of states and their values --------------------------------------

struct Named {
  const char* name;
  DWORD value;
};

enum class ValueKind { Bool, Int, Blend, BlendOp, Cmp, Cull, Fill, Address, Filter };

struct StateName {
  const char* name;
  DWORD state;
  ValueKind kind;
};

constexpr Named kBool[] = {{"false", 0}, {"true", 1}};
constexpr Named kBlend[] = {{"Zero", D3DBLEND_ZERO},
                            {"One", D3DBLEND_ONE},
                            {"SrcColor", D3DBLEND_SRCCOLOR},
                            {"InvSrcColor", D3DBLEND_INVSRCCOLOR},
                            {"SrcAlpha", D3DBLEND_SRCALPHA},
                            {"InvSrcAlpha", D3DBLEND_INVSRCALPHA},
                            {"DestAlpha", D3DBLEND_DESTALPHA},
                            {"InvDestAlpha", D3DBLEND_INVDESTALPHA},
                            {"DestColor", D3DBLEND_DESTCOLOR},
                            {"InvDestColor", D3DBLEND_INVDESTCOLOR},
                            {"SrcAlphaSat", D3DBLEND_SRCALPHASAT}};
constexpr Named kBlendOp[] = {{"Add", D3DBLENDOP_ADD},
                              {"Subtract", D3DBLENDOP_SUBTRACT},
                              {"RevSubtract", D3DBLENDOP_REVSUBTRACT},
                              {"Min", D3DBLENDOP_MIN},
                              {"Max", D3DBLENDOP_MAX}};
constexpr Named kCmp[] = {{"Never", D3DCMP_NEVER},   {"Less", D3DCMP_LESS},         {"Equal", D3DCMP_EQUAL},
                          {"LessEqual", D3DCMP_LESSEQUAL}, {"Greater", D3DCMP_GREATER}, {"NotEqual", D3DCMP_NOTEQUAL},
                          {"GreaterEqual", D3DCMP_GREATEREQUAL}, {"Always", D3DCMP_ALWAYS}};
constexpr Named kCull[] = {{"None", D3DCULL_NONE}, {"CW", D3DCULL_CW}, {"CCW", D3DCULL_CCW}};
constexpr Named kFill[] = {{"Point", D3DFILL_POINT}, {"Wireframe", D3DFILL_WIREFRAME}, {"Solid", D3DFILL_SOLID}};
constexpr Named kAddress[] = {{"Wrap", D3DTADDRESS_WRAP},
                              {"Mirror", D3DTADDRESS_MIRROR},
                              {"Clamp", D3DTADDRESS_CLAMP},
                              {"Border", D3DTADDRESS_BORDER},
                              {"MirrorOnce", D3DTADDRESS_MIRRORONCE}};
constexpr Named kFilter[] = {{"None", D3DTEXF_NONE},
                             {"Point", D3DTEXF_POINT},
                             {"Linear", D3DTEXF_LINEAR},
                             {"Anisotropic", D3DTEXF_ANISOTROPIC}};

constexpr StateName kRenderStates[] = {
    {"ZEnable", D3DRS_ZENABLE, ValueKind::Bool},
    {"ZWriteEnable", D3DRS_ZWRITEENABLE, ValueKind::Bool},
    {"ZFunc", D3DRS_ZFUNC, ValueKind::Cmp},
    {"AlphaBlendEnable", D3DRS_ALPHABLENDENABLE, ValueKind::Bool},
    {"SrcBlend", D3DRS_SRCBLEND, ValueKind::Blend},
    {"DestBlend", D3DRS_DESTBLEND, ValueKind::Blend},
    {"BlendOp", D3DRS_BLENDOP, ValueKind::BlendOp},
    {"SeparateAlphaBlendEnable", D3DRS_SEPARATEALPHABLENDENABLE, ValueKind::Bool},
    {"SrcBlendAlpha", D3DRS_SRCBLENDALPHA, ValueKind::Blend},
    {"DestBlendAlpha", D3DRS_DESTBLENDALPHA, ValueKind::Blend},
    {"BlendOpAlpha", D3DRS_BLENDOPALPHA, ValueKind::BlendOp},
    {"AlphaTestEnable", D3DRS_ALPHATESTENABLE, ValueKind::Bool},
    {"AlphaRef", D3DRS_ALPHAREF, ValueKind::Int},
    {"AlphaFunc", D3DRS_ALPHAFUNC, ValueKind::Cmp},
    {"CullMode", D3DRS_CULLMODE, ValueKind::Cull},
    {"FillMode", D3DRS_FILLMODE, ValueKind::Fill},
    {"ColorWriteEnable", D3DRS_COLORWRITEENABLE, ValueKind::Int},
    {"Lighting", D3DRS_LIGHTING, ValueKind::Bool},
    {"PointSpriteEnable", D3DRS_POINTSPRITEENABLE, ValueKind::Bool},
};

constexpr StateName kSamplerStates[] = {
    {"AddressU", D3DSAMP_ADDRESSU, ValueKind::Address},
    {"AddressV", D3DSAMP_ADDRESSV, ValueKind::Address},
    {"AddressW", D3DSAMP_ADDRESSW, ValueKind::Address},
    {"MinFilter", D3DSAMP_MINFILTER, ValueKind::Filter},
    {"MagFilter", D3DSAMP_MAGFILTER, ValueKind::Filter},
    {"MipFilter", D3DSAMP_MIPFILTER, ValueKind::Filter},
    {"MaxAnisotropy", D3DSAMP_MAXANISOTROPY, ValueKind::Int},
    {"MaxMipLevel", D3DSAMP_MAXMIPLEVEL, ValueKind::Int},
    {"BorderColor", D3DSAMP_BORDERCOLOR, ValueKind::Int},
};

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

template <typename T, size_t N>
const T* Find(const T (&table)[N], std::string_view name) {
  for (const T& entry : table)
    if (SameName(entry.name, name)) return &entry;
  return nullptr;
}

template <size_t N>
std::optional<DWORD> FindValue(const Named (&table)[N], std::string_view name) {
  if (const Named* n = Find(table, name)) return n->value;
  return std::nullopt;
}

std::optional<DWORD> NamedValue(ValueKind kind, std::string_view name) {
  switch (kind) {
    case ValueKind::Bool: return FindValue(kBool, name);
    case ValueKind::Blend: return FindValue(kBlend, name);
    case ValueKind::BlendOp: return FindValue(kBlendOp, name);
    case ValueKind::Cmp: return FindValue(kCmp, name);
    case ValueKind::Cull: return FindValue(kCull, name);
    case ValueKind::Fill: return FindValue(kFill, name);
    case ValueKind::Address: return FindValue(kAddress, name);
    case ValueKind::Filter: return FindValue(kFilter, name);
    case ValueKind::Int: return std::nullopt;
  }
  return std::nullopt;
}

// ---- tokens ------------------------------------------------------------------

enum class Tok { End, Name, Number, Punct };

struct Token {
  Tok kind = Tok::End;
  std::string text;
  int line = 1;
};

class Lexer {
public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Token Next() {
    SkipSpaceAndComments();
    Token t;
    t.line = line_;
    if (pos_ >= text_.size()) return t;
    const char c = text_[pos_];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t end = pos_;
      while (end < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[end])) || text_[end] == '_')) ++end;
      t.kind = Tok::Name;
      t.text = std::string(text_.substr(pos_, end - pos_));
      pos_ = end;
    } else if (std::isdigit(static_cast<unsigned char>(c)) ||
               ((c == '-' || c == '+' || c == '.') && pos_ + 1 < text_.size() &&
                (std::isdigit(static_cast<unsigned char>(text_[pos_ + 1])) || text_[pos_ + 1] == '.'))) {
      size_t end = pos_ + 1;
      while (end < text_.size() &&
             (std::isalnum(static_cast<unsigned char>(text_[end])) || text_[end] == '.' ||
              ((text_[end] == '-' || text_[end] == '+') && (text_[end - 1] == 'e' || text_[end - 1] == 'E'))))
        ++end;
      t.kind = Tok::Number;
      t.text = std::string(text_.substr(pos_, end - pos_));
      pos_ = end;
    } else {
      t.kind = Tok::Punct;
      t.text = std::string(1, c);
      ++pos_;
    }
    return t;
  }

  // The raw text up to (not including) the next '}', which is consumed.
  bool RawBlock(std::string& out) {
    const size_t close = text_.find('}', pos_);
    if (close == std::string_view::npos) return false;
    out = std::string(text_.substr(pos_, close - pos_));
    line_ += static_cast<int>(std::count(out.begin(), out.end(), '\n'));
    pos_ = close + 1;
    return true;
  }

  int Line() const { return line_; }

private:
  void SkipSpaceAndComments() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++pos_;
      } else if (text_.substr(pos_, 2) == "//") {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else if (text_.substr(pos_, 2) == "/*") {
        const size_t end = text_.find("*/", pos_ + 2);
        const size_t stop = end == std::string_view::npos ? text_.size() : end + 2;
        line_ += static_cast<int>(std::count(text_.begin() + pos_, text_.begin() + stop, '\n'));
        pos_ = stop;
      } else {
        return;
      }
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
};

// ---- parser -----------------------------------------------------------------

class Parser {
public:
  Parser(std::string_view text, EffectDesc& desc, ParseError& error) : lex_(text), desc_(desc), error_(error) {
    Advance();
  }

  bool File() {
    while (tok_.kind != Tok::End) {
      if (!Declaration()) return false;
    }
    return true;
  }

private:
  void Advance() { tok_ = lex_.Next(); }

  bool Fail(std::string reason) { return Fail(tok_.line, std::move(reason)); }
  bool Fail(int line, std::string reason) {
    error_.line = line;
    error_.reason = std::move(reason);
    return false;
  }
  std::string Found() const { return tok_.kind == Tok::End ? "end of file" : "'" + tok_.text + "'"; }

  bool Accept(std::string_view punct) {
    if (tok_.kind != Tok::Punct || tok_.text != punct) return false;
    Advance();
    return true;
  }
  bool Expect(std::string_view punct) {
    if (Accept(punct)) return true;
    std::string reason = "expected '";
    reason.append(punct).append("' but found ").append(Found());
    return Fail(std::move(reason));
  }
  bool ExpectName(std::string& out, const char* what) {
    if (tok_.kind != Tok::Name) return Fail(std::string("expected ") + what + " but found " + Found());
    out = tok_.text;
    Advance();
    return true;
  }
  bool IsKeyword(std::string_view word) const { return tok_.kind == Tok::Name && tok_.text == word; }

  bool Declaration() {
    if (IsKeyword("technique")) return Technique();
    if (IsKeyword("sampler")) return Sampler();
    if (IsKeyword("float") || IsKeyword("float4") || IsKeyword("float4x4") || IsKeyword("texture"))
      return Parameter();
    return Fail("expected a parameter, sampler or technique but found " + Found());
  }

  bool NameIsFree(const std::string& name, int line) {
    for (const ParamDecl& p : desc_.params)
      if (p.name == name) return Fail(line, "'" + name + "' is declared twice");
    for (const SamplerDecl& s : desc_.samplers)
      if (s.name == name) return Fail(line, "'" + name + "' is declared twice");
    return true;
  }

  // "c12" / "s3" / "c4.y" -> register number and component.
  bool Register(char bank, int& reg, int* component) {
    const int line = tok_.line;
    if (tok_.kind != Tok::Name || tok_.text.size() < 2 || std::tolower(tok_.text[0]) != bank)
      return Fail("expected a register " + std::string(1, bank) + "# but found " + Found());
    char* end = nullptr;
    const long n = std::strtol(tok_.text.c_str() + 1, &end, 10);
    if (*end != '\0' || n < 0 || n > 255) return Fail("'" + tok_.text + "' is not a register");
    reg = static_cast<int>(n);
    Advance();
    if (component && Accept(".")) {
      static constexpr std::string_view kComponents = "xyzw";
      if (tok_.kind != Tok::Name || tok_.text.size() != 1 || kComponents.find(tok_.text[0]) == std::string::npos)
        return Fail(line, "expected a component x, y, z or w after '.'");
      *component = static_cast<int>(kComponents.find(tok_.text[0]));
      Advance();
    }
    return true;
  }

  bool Number(float& out) {
    if (tok_.kind != Tok::Number) return Fail("expected a number but found " + Found());
    std::string s = tok_.text;
    if (!s.empty() && (s.back() == 'f' || s.back() == 'F')) s.pop_back();
    char* end = nullptr;
    out = std::strtof(s.c_str(), &end);
    if (s.empty() || *end != '\0') return Fail("'" + tok_.text + "' is not a number");
    if (!std::isfinite(out)) return Fail("'" + tok_.text + "' is out of range");
    Advance();
    return true;
  }

  bool Parameter() {
    ParamDecl p;
    p.line = tok_.line;
    const std::string type = tok_.text;
    p.type = type == "float"    ? ParamType::Float
             : type == "float4" ? ParamType::Float4
             : type == "float4x4" ? ParamType::Float4x4
                                  : ParamType::Texture;
    Advance();
    if (!ExpectName(p.name, "a parameter name") || !NameIsFree(p.name, p.line)) return false;
    if (p.type == ParamType::Texture) {
      desc_.params.push_back(std::move(p));
      return Expect(";");
    }
    if (!Expect(":")) return false;
    const int regLine = tok_.line;
    if (!Register('c', p.reg, p.type == ParamType::Float ? &p.component : nullptr)) return false;
    if (!RegistersAreFree(p, regLine)) return false;
    if (Accept("=")) {
      const size_t capacity = p.type == ParamType::Float ? 1 : p.type == ParamType::Float4 ? 4 : 16;
      if (Accept("{")) {
        do {
          float v = 0;
          if (!Number(v)) return false;
          p.defaults.push_back(v);
        } while (Accept(","));
        if (!Expect("}")) return false;
      } else {
        float v = 0;
        if (!Number(v)) return false;
        p.defaults.push_back(v);
      }
      if (p.defaults.size() > capacity) return Fail(p.line, "too many default values for '" + p.name + "'");
    }
    desc_.params.push_back(std::move(p));
    return Expect(";");
  }

  // Two parameters may share a register only through different components.
  bool RegistersAreFree(const ParamDecl& p, int line) {
    const int count = RegisterCount(p.type);
    for (const ParamDecl& q : desc_.params) {
      if (q.reg < 0) continue;
      const int qCount = RegisterCount(q.type);
      const bool overlap = p.reg < q.reg + qCount && q.reg < p.reg + count;
      const bool disjointComponents = p.component >= 0 && q.component >= 0 && p.component != q.component;
      if (overlap && !disjointComponents)
        return Fail(line, "'" + p.name + "' overlaps the register of '" + q.name + "'");
    }
    return true;
  }

  bool StateValue(ValueKind kind, DWORD& value) {
    if (tok_.kind == Tok::Number) {
      // Read in 64 bits wherever this is built, then held to a DWORD: a value that
      // does not fit is refused, not clamped or wrapped.
      errno = 0;
      char* end = nullptr;
      const unsigned long long v = std::strtoull(tok_.text.c_str(), &end, 0);
      if (*end != '\0') return Fail("'" + tok_.text + "' is not a whole number");
      if (tok_.text[0] == '-' || errno == ERANGE || v > 0xFFFFFFFFull)
        return Fail("'" + tok_.text + "' is out of range");
      value = static_cast<DWORD>(v);
      Advance();
      return true;
    }
    if (tok_.kind == Tok::Name) {
      if (auto v = NamedValue(kind, tok_.text)) {
        value = *v;
        Advance();
        return true;
      }
      return Fail("'" + tok_.text + "' is not a value of this state");
    }
    return Fail("expected a state value but found " + Found());
  }

  bool Sampler() {
    SamplerDecl s;
    s.line = tok_.line;
    Advance();
    if (!ExpectName(s.name, "a sampler name") || !NameIsFree(s.name, s.line) || !Expect(":")) return false;
    if (!Register('s', s.reg, nullptr)) return false;
    if (s.reg > 15) return Fail(s.line, "sampler register s" + std::to_string(s.reg) + " is out of range");
    for (const SamplerDecl& other : desc_.samplers)
      if (other.reg == s.reg) return Fail(s.line, "'" + s.name + "' uses the register of '" + other.name + "'");
    if (!Expect("=")) return false;
    if (!IsKeyword("sampler_state")) return Fail("expected 'sampler_state' but found " + Found());
    Advance();
    if (!Expect("{")) return false;
    while (!Accept("}")) {
      std::string key;
      const int line = tok_.line;
      if (!ExpectName(key, "a sampler state") || !Expect("=")) return false;
      if (SameName(key, "Texture")) {
        if (!Expect("<") || !ExpectName(s.texture, "a texture name") || !Expect(">")) return false;
        if (!TextureDeclared(s.texture)) return Fail(line, "texture '" + s.texture + "' is not declared");
      } else {
        const StateName* state = Find(kSamplerStates, key);
        if (!state) return Fail(line, "unknown sampler state '" + key + "'");
        DWORD value = 0;
        if (!StateValue(state->kind, value)) return false;
        s.states.emplace_back(static_cast<D3DSAMPLERSTATETYPE>(state->state), value);
      }
      if (!Expect(";")) return false;
    }
    desc_.samplers.push_back(std::move(s));
    return Expect(";");
  }

  bool TextureDeclared(const std::string& name) const {
    return std::any_of(desc_.params.begin(), desc_.params.end(),
                       [&](const ParamDecl& p) { return p.type == ParamType::Texture && p.name == name; });
  }

  bool Technique() {
    TechniqueDecl t;
    t.line = tok_.line;
    Advance();
    if (!ExpectName(t.name, "a technique name")) return false;
    for (const TechniqueDecl& other : desc_.techniques)
      if (other.name == t.name) return Fail(t.line, "technique '" + t.name + "' is declared twice");
    if (!Expect("{")) return false;
    while (!Accept("}")) {
      if (!IsKeyword("pass")) return Fail("expected 'pass' but found " + Found());
      PassDecl pass;
      if (!Pass(pass)) return false;
      t.passes.push_back(std::move(pass));
    }
    if (t.passes.empty()) return Fail(t.line, "technique '" + t.name + "' has no pass");
    desc_.techniques.push_back(std::move(t));
    return true;
  }

  bool Pass(PassDecl& pass) {
    pass.line = tok_.line;
    Advance();
    if (!ExpectName(pass.name, "a pass name") || !Expect("{")) return false;
    while (!Accept("}")) {
      std::string key;
      const int line = tok_.line;
      if (!ExpectName(key, "a render state or shader") || !Expect("=")) return false;
      if (SameName(key, "VertexShader") || SameName(key, "PixelShader")) {
        ShaderSource& shader = SameName(key, "VertexShader") ? pass.vertexShader : pass.pixelShader;
        if (!shader.text.empty()) return Fail(line, key + " is set twice in pass '" + pass.name + "'");
        if (!IsKeyword("asm")) return Fail("expected 'asm' but found " + Found());
        Advance();
        if (tok_.kind != Tok::Punct || tok_.text != "{") return Fail("expected '{' but found " + Found());
        // The raw text starts right after the brace, on the brace's line.
        shader.line = tok_.line;
        if (!lex_.RawBlock(shader.text)) return Fail(line, "the asm block has no closing '}'");
        if (shader.text.find_first_not_of(" \t\r\n") == std::string::npos)
          return Fail(line, "the asm block of " + key + " is empty");
        Advance();
      } else {
        const StateName* state = Find(kRenderStates, key);
        if (!state) return Fail(line, "unknown render state '" + key + "'");
        DWORD value = 0;
        if (!StateValue(state->kind, value)) return false;
        pass.renderStates.emplace_back(static_cast<D3DRENDERSTATETYPE>(state->state), value);
      }
      if (!Expect(";")) return false;
    }
    return true;
  }

  Lexer lex_;
  Token tok_;
  EffectDesc& desc_;
  ParseError& error_;
};

}  // namespace

int RegisterCount(ParamType type) {
  switch (type) {
    case ParamType::Float:
    case ParamType::Float4: return 1;
    case ParamType::Float4x4: return 4;
    case ParamType::Texture: return 0;
  }
  return 0;
}

bool ParseEffect(std::string_view text, EffectDesc& desc, ParseError& error) {
  desc = EffectDesc{};
  error = ParseError{};
  Parser parser(text, desc, error);
  if (parser.File()) return true;
  desc = EffectDesc{};
  return false;
}

}  // namespace gfx
