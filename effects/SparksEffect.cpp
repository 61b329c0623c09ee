#include "effects/SparksEffect.h"

bool SparksEffect::InitEffect(Camera*, IDirect3DDevice9*) { return false; }
void SparksEffect::Draw() {}
void SparksEffect::Release() {}
