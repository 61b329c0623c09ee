// Desktop picture: one screen quad over the window (t0 0..1 across it). Rings of
// ripples spread around the two circling points: each bends the picture's
// coordinates along the line from its point and shades the crests, fading with
// distance. The ring profile is y (1 - |y|) over a sawtooth y: sine-like, and
// cheap on a software renderer.

float4x4 matWorldViewProjection : c0;   // declared for the scene's interface; the quad is pre-transformed
float    ScreenWVSH             : c4 = 1.21;   // half-width of the screen in point units
float4   PosOne                 : c5 = {1, 0, 1, 1};
float4   PosTwo                 : c6 = {0.2, 0, 1, 1};
texture  texFone;

sampler foneSampler : s0 = sampler_state {
  Texture = <texFone>;
  AddressU = Clamp; AddressV = Clamp;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
};

technique TechniqueDeskTop {
  pass P0 {
    ZEnable = false; AlphaBlendEnable = false; CullMode = None;
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_2d s0
      def c10, 2.0, -1.0, 1.0, 0.000001
      def c11, 9.0, 0.04, 5.0, 0.35       // rings per unit, bend, falloff, crest shading
      def c12, 4.0, 0.0, 0.0, 0.0         // calm radius: a quarter of a unit

      mad r0.xy, t0, c10.x, c10.y         // -1..1 across the screen
      mul r0.xy, r0, c4.x                 // in point units

      // ripples around PosOne: r4.xy bend, r4.z crest
      sub r1.xy, r0, c5
      dp2add r1.z, r1, r1, c10.w          // squared distance (never 0)
      rsq r1.w, r1.z
      mul r2.x, r1.z, r1.w                // distance
      mul_sat r2.w, r2.x, c12.x           // calm right at the point, where rings crowd
      mul r2.x, r2.x, c11.x
      frc r2.x, r2.x
      mad r2.x, r2.x, c10.x, c10.y
      abs r2.y, r2.x
      sub r2.y, c10.z, r2.y
      mul r2.x, r2.x, r2.y                // ring profile, -0.25..0.25
      mad r2.z, r1.z, c11.z, c10.z
      rcp r2.z, r2.z
      mul r2.x, r2.x, r2.z                // fading with distance
      mul r2.x, r2.x, r2.w
      mul r3.xy, r1, r1.w                 // unit direction from the point
      mul r4.xy, r3, r2.x
      mov r4.z, r2.x

      // ripples around PosTwo: r5
      sub r1.xy, r0, c6
      dp2add r1.z, r1, r1, c10.w
      rsq r1.w, r1.z
      mul r2.x, r1.z, r1.w
      mul_sat r2.w, r2.x, c12.x
      mul r2.x, r2.x, c11.x
      frc r2.x, r2.x
      mad r2.x, r2.x, c10.x, c10.y
      abs r2.y, r2.x
      sub r2.y, c10.z, r2.y
      mul r2.x, r2.x, r2.y
      mad r2.z, r1.z, c11.z, c10.z
      rcp r2.z, r2.z
      mul r2.x, r2.x, r2.z
      mul r2.x, r2.x, r2.w
      mul r3.xy, r1, r1.w
      mul r5.xy, r3, r2.x
      mov r5.z, r2.x

      add r4.xyz, r4, r5
      mad r6.xy, r4, c11.y, t0            // bent picture coordinates
      texld r7, r6, s0
      mad r8.x, r4.z, c11.w, c10.z        // crests brighter, troughs darker
      mul r7.xyz, r7, r8.x
      mov oC0, r7
    };
  }
}
