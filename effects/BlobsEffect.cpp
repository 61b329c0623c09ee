#include "effects/BlobsEffect.h"

bool BlobsEffect::Init(Camera*, IDirect3DDevice9*, RECT) { return false; }
void BlobsEffect::Update() {}
void BlobsEffect::Render() {}
void BlobsEffect::ReleaseFrameSurfaces() {}
void BlobsEffect::Release() {}
