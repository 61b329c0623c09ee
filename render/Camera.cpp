#include "render/Camera.h"

#include <cstring>

Camera::Camera() {
  // The record starts as zero matrices until the scene resets it.
  std::memset(static_cast<void*>(this), 0, sizeof(*this));
}

void Camera::Reset(int32_t width, int32_t height, float nearPlane, float farPlane) {
  const D3DXVECTOR3 eye(0.0f, 0.0f, 0.0f), target(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
  D3DXMatrixLookAtLH(&view, &eye, &target, &up);
  const float aspect = static_cast<float>(width) / static_cast<float>(height);
  D3DXMatrixPerspectiveFovLH(&projection, 1.2217305f, aspect, nearPlane, farPlane);
}

void Camera::LookAt(float x, float y, float z) {
  const D3DXVECTOR3 eye(x, y, z), target(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
  D3DXMatrixLookAtLH(&view, &eye, &target, &up);
}

float AdvanceCameraAngle(float angle) {
  const double step = static_cast<double>(0.005f);
  float next = static_cast<float>(static_cast<double>(angle) + step);
  if (next > 1000.0f) next = 0.0f;
  return next;
}

void Camera::Update(bool advance) {
  if (advance) angle = AdvanceCameraAngle(angle);
  const float theta = angle * 6.2831855f / 1000.0f;

  D3DXMATRIX rotation;
  D3DXMatrixRotationY(&world, theta);
  D3DXMatrixRotationX(&rotation, theta);
  D3DXMatrixMultiply(&world, &rotation, &world);
  D3DXMatrixRotationZ(&rotation, theta);
  D3DXMatrixMultiply(&world, &rotation, &world);

  D3DXMatrixMultiply(&worldView, &world, &view);
  D3DXMatrixMultiply(&worldViewProjection, &worldView, &projection);
}
