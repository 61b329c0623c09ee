#include "effects/FireEffect.h"

bool FireEffect::InitEffect(Camera* camera, IDirect3DDevice9* device, RECT clientRect) {
  camera_ = camera;
  device_ = device;
  clientRect_ = clientRect;
  return false;
}

void FireEffect::Render() {}

void FireEffect::Release() { camera_ = nullptr; }
