#pragma once
#include <cstdint>
#include <d3dx9math.h>

// Five matrices in D3DX's row-vector, left-handed convention. Effects keep a
// pointer to the one camera and read it when they draw.
struct Camera {
  D3DXMATRIX projection{};
  D3DXMATRIX view{};
  D3DXMATRIX world{};
  D3DXMATRIX worldView{};
  D3DXMATRIX worldViewProjection{};
  // Accumulated turn of the world; kept across scene rebuilds with the camera.
  float angle = 0.0f;

  Camera();
  void Reset(int32_t width, int32_t height, float nearPlane, float farPlane);
  void LookAt(float x, float y, float z);
  // Advances the camera angle when asked, then rebuilds world and its products.
  void Update(bool advance);
};

// One step of the camera accumulator: single-precision 0.005 summed in double,
// stored as float, wrapping to 0 past 1000.
float AdvanceCameraAngle(float angle);
