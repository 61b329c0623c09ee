// Flames. One screen quad per frame: t0.x runs from 1 at the left edge to 0 at the
// right, t0.y from 0 at the bottom edge to 1 at the top.
//
// texNoise is a tileable volume, period 1 on every axis, with fractal noise in all
// four channels: r and b turbulent (the noise bent by other noise when it was
// made), g and a plain. Its depth serves as time. Every time offset is reduced
// with frc before use so coordinates stay small and precise however long the
// saver runs; an offset is only ever added with weight 1, so the wrap is seamless.
// texFlame maps heat (u) to colour and opacity.
//
// The round styles are ps_2_x for dsx/dsy: the slopes of the coordinates give the
// window's aspect, so the ball stays round on any screen.
//
// One volume lookup and one colour lookup per pixel: on a software renderer each
// lookup costs about as much as drawing a textured quad over the whole screen.

float time_0_X          : c0.x = 0;
float randomnessRate    : c0.y = 0.24;   // how fast the pattern changes shape
float burnSpeed         : c0.z = 0.55;   // how fast the flames rise
float wobbleScale       : c0.w = 0.05;   // how far the turbulence bends them
float xScale            : c1.x = 2.5;    // noise frequency across
float yScale            : c1.y = 0.6;    // noise frequency up (small: tall tongues)
float yFade             : c1.z = 0.6;    // how quickly the heat dies with height
float sideFade          : c1.w = 10;     // steepness of the fade at the side edges
float sideFadeSharpness : c2.x = 0.04;   // cold margin at the side edges
float flameSpeed        : c2.y = 0.32;   // fireball: speed of the surface flow
float timeSampleDist    : c2.z = 0.3;    // fireball: time between its two noise samples
float spread            : c2.w = 1.5;    // fireball: size
float colorDistribution : c3.x = 2.76;   // fireball: heat to colour gain
float fade              : c3.y = 2.4;    // fireball: steepness of the edge
float flamability       : c3.z = 1.53;   // fireball, detonation: strength of the noise
float pressure          : c3.w = 0.6;    // detonation: radial density of the plumes
float powerBoost        : c4.x = 0.16;   // detonation: extra heat everywhere
float intensity         : c4.y = 1;      // detonation: overall heat
float speed             : c4.z = 0.15;   // detonation: outward speed
float noisiness         : c4.w = 0.5;    // detonation: churning turbulence
float explositivity     : c5.x = 0.44955;// detonation: radius of the blast

texture texNoise;
texture texFlame;

sampler noiseSampler : s0 = sampler_state {
  Texture = <texNoise>;
  AddressU = Wrap; AddressV = Wrap; AddressW = Wrap;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
};

sampler flameSampler : s1 = sampler_state {
  Texture = <texFlame>;
  AddressU = Clamp; AddressV = Clamp;
  MinFilter = Linear; MagFilter = Linear; MipFilter = None;
};

technique FireEffectTechnique {
  pass P0 {
    PixelShader = asm {
      ps_2_0
      dcl t0.xy
      dcl_volume s0
      dcl_2d s1
      def c10, 0.5, 1.0, 0.37, 0.23       // half, one, depth skew across, depth skew up
      def c11, 2.2, 1.05, 2.8, 0.45       // noise gain, base heat, rise per yFade, noise share at the bottom
      def c12, 2.0, 3.0, 2.5, 0.9         // two, three, sway waves per height, sway rate
      def c13, 3.0, 0.8, 0.085, 0.0       // sway waves across, sway reach per wobbleScale, drift per rate

      // time offsets: x = t rate (depth), y = t burn (rise), z = sway phase,
      // w = a slow sideways drift, so a shape that comes round again in depth
      // never comes back in the same place
      mul r0.x, c0.x, c0.y
      mul r0.y, c0.x, c0.z
      mul r0.z, c0.x, c12.w
      mul r0.w, r0.x, c13.z
      frc r0, r0

      // sway: a smooth wave along height and across, stronger higher up
      mad r1.x, t0.y, c12.z, r0.z
      mad r1.x, t0.x, c13.x, r1.x
      frc r1.x, r1.x
      mad r1.x, r1.x, c12.x, -c10.y
      abs r1.x, r1.x
      mul r1.y, r1.x, r1.x
      mad r1.z, r1.x, -c12.x, c12.y
      mul r1.x, r1.y, r1.z
      sub r1.x, r1.x, c10.x
      mul r1.x, r1.x, t0.y
      mul r1.x, r1.x, c0.w
      mad r2.x, r1.x, c13.y, t0.x         // swayed u

      // the noise rises through the window and changes shape as it goes; the
      // slice through the volume is oblique, so the pattern never repeats across
      mad r3.x, r2.x, c1.x, r0.w
      mul r3.y, t0.y, c1.y
      sub r3.y, r3.y, r0.y
      mad r3.z, r2.x, c10.z, r0.x
      mad r3.z, t0.y, c10.w, r3.z
      texld r4, r3, s0

      // heat: hot at the bottom, cooling with height; higher up the noise has
      // more say and cuts the heat into tongues
      add r5.z, t0.y, c11.w
      sub r5.x, r4.x, c10.x
      mul r5.x, r5.x, c11.x
      mul r5.x, r5.x, r5.z
      mul r5.y, c1.z, c11.z
      mad r5.x, -t0.y, r5.y, r5.x
      add r5.x, r5.x, c11.y

      // cold margins at the sides
      add r6.x, c10.y, -t0.x
      min r6.x, r6.x, t0.x
      sub r6.x, r6.x, c2.x
      mul_sat r6.x, r6.x, c1.w
      mul_sat r5.x, r5.x, r6.x

      mov r5.y, c10.x
      texld r7, r5, s1
      mul r7.rgb, r7, r7.a                // premultiplied: the target is laid over the window
      mov oC0, r7
    };
  }
}

technique FireBallEffectTechnique {
  pass P0 {
    PixelShader = asm {
      ps_2_x
      dcl t0.xy
      dcl_volume s0
      dcl_2d s1
      def c10, 0.5, 2.0, 0.0, 0.4        // half, two, -, radius per spread
      def c11, 1.0, 0.0, 0.25, 0.7        // one, zero, noise at the middle, depth drift ratio
      def c12, 0.74, 0.3, 0.000001, 0.55  // 1 / reach of the flames, colour scale, tiny, rim raggedness
      def c13, 0.55, 0.23, 0.0, 0.0       // noise scale, turn per flow

      // centred position in half-heights, x to the right, y up, then in ball radii
      sub r0.x, c10.x, t0.x
      sub r0.y, t0.y, c10.x
      mul r0.xy, r0, c10.y
      dsx r7.x, t0.x
      dsy r7.y, t0.y
      rcp r7.x, r7.x
      mul r7.x, r7.x, r7.y                // width / height, from the slopes of the coordinates
      mul r0.x, r0.x, r7.x
      mul r1.x, c2.w, c10.w
      rcp r1.x, r1.x
      mul r0.xy, r0, r1.x
      // r^2, r, and the depth of the face: 1 - r^2, smooth through the rim
      dp2add r1.y, r0, r0, c12.z
      rsq r1.x, r1.y
      rcp r1.x, r1.x
      sub r1.w, c11.x, r1.y

      // time offsets: x = flow up over the surface, y = change of shape, z = a
      // slow turn, so that no shape comes back in the same place
      mul r3.x, c0.x, c2.y
      mul r3.y, r3.x, c11.w
      mul r3.z, r3.x, c13.y
      frc r3.xyz, r3

      // noise on the sphere's surface; the face lies deeper in time than the rim
      mad r2.xy, r0, c13.x, r3.z
      sub r2.y, r2.y, r3.x
      mad r2.z, r1.w, c2.z, r3.y
      texld r5, r2, s0

      // profile: 1 in the middle, 0 where the flames end beyond the sphere
      mul r6.x, r1.x, c12.x
      pow r6.x, r6.x, c3.y
      sub r6.x, c11.x, r6.x
      // noise roils the face gently and tears flames out of the rim
      mad r6.z, r1.y, c12.w, c11.z
      sub r6.y, r5.z, c10.x
      mul r6.y, r6.y, r6.z
      mad r6.x, r6.y, c3.z, r6.x
      mul r6.x, r6.x, c3.x
      mul_sat r6.x, r6.x, c12.y
      mov r6.y, c10.x
      texld r7, r6, s1
      mul r7.rgb, r7, r7.a                // premultiplied: the target is laid over the window
      mov oC0, r7
    };
  }
}

technique FireDetonationEffectTechnique {
  pass P0 {
    PixelShader = asm {
      ps_2_x
      dcl t0.xy
      dcl_volume s0
      dcl_2d s1
      def c10, 0.5, 2.0, 0.0, 0.3        // half, two, -, plume circle radius
      def c11, 1.0, 0.0, 0.0001, 3.0      // one, zero, tiny, plume gain
      def c12, 0.4, 0.35, 0.5, 0.0        // churn rate, churn reach, half
      def c13, 0.15, 6.6666667, 0.0, 0.0  // core radius, 1 / core radius

      sub r0.x, c10.x, t0.x
      sub r0.y, t0.y, c10.x
      mul r0.xy, r0, c10.y
      dsx r7.x, t0.x
      dsy r7.y, t0.y
      rcp r7.x, r7.x
      mul r7.x, r7.x, r7.y                // width / height, from the slopes of the coordinates
      mul r0.x, r0.x, r7.x
      dp2add r1.x, r0, r0, c11.z          // r^2 (kept off 0)
      rsq r1.y, r1.x                      // 1 / r
      rcp r1.z, r1.y                      // r
      mul r2.xy, r0, r1.y                 // direction

      // time offsets: x = outward flow, y = churn
      mul r3.x, c0.x, c4.z
      mul r3.y, r3.x, c12.x
      frc r3.xy, r3

      // plumes: the direction walks a circle of the volume, the radius its depth,
      // so the pattern streams outward; the position itself adds the churn
      mul r4.xy, r2, c10.w
      min r8.x, r1.z, c13.x               // inside the core the circle shrinks to its centre,
      mul r8.x, r8.x, c13.y               // so the directions do not meet in a star
      mul r4.xy, r4, r8.x
      mul r5.xy, r0, c4.w
      mad r4.xy, r5, c12.y, r4
      add r4.y, r4.y, r3.y
      mul r4.z, r1.z, c3.w
      sub r4.z, r4.z, r3.x
      texld r4, r4, s0

      // heat: bright core of the blast radius, torn by the plumes
      rcp r6.x, c5.x
      mul r6.x, r1.z, r6.x
      mul r6.x, r6.x, c12.z
      sub r6.x, c11.x, r6.x               // 1 - r / (2 explositivity)
      sub r6.y, r4.z, c10.x
      mul r6.y, r6.y, c3.z
      mad r6.x, r6.y, c11.w, r6.x
      add r6.x, r6.x, c4.x
      mul_sat r6.x, r6.x, c4.y
      mov r6.y, c10.x
      texld r7, r6, s1
      mul r7.rgb, r7, r7.a                // premultiplied: the target is laid over the window
      mov oC0, r7
    };
  }
}
