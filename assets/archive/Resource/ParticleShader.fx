// Sparks: one quad per particle in world space, the glow sprite tinted by the
// particle's colour (TEXCOORD1, unclamped: some ramps run above 1). The caller sets
// additive blending, so the sprite's dark rim and dark colour keys vanish.
//
// matWorldViewProjection arrives transposed: each register holds one column of the
// row-vector matrix, so dp4 against it gives one clip-space component.

float4x4 matWorldViewProjection : c0;
texture texParticle;

sampler particleSampler : s0 = sampler_state {
  Texture = <texParticle>;
  AddressU = Clamp; AddressV = Clamp;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
};

technique TechniqueNoInst {
  pass P0 {
    ZEnable = false; ZWriteEnable = false; CullMode = None;
    VertexShader = asm {
      vs_2_0
      dcl_position v0
      dcl_texcoord0 v1
      dcl_texcoord1 v2
      dp4 oPos.x, v0, c0
      dp4 oPos.y, v0, c1
      dp4 oPos.z, v0, c2
      dp4 oPos.w, v0, c3
      mov oT0.xy, v1
      mov oT1, v2
    };
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl t1
      dcl_2d s0
      def c10, 2.0, 2.0, 2.0, 1.0     // gain: a newborn "Flame" spark (key 0.5) glows at full strength
      texld r0, t0, s0
      mul r0, r0, t1
      mul r0, r0, c10
      mov oC0, r0
    };
  }
}
