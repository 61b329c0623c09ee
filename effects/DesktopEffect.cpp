#include "effects/DesktopEffect.h"

bool DesktopEffect::InitEffect(Camera*, IDirect3DDevice9*, RECT) { return false; }
void DesktopEffect::Draw() {}
void DesktopEffect::Release() {}
