#include "effects/UserTextures.h"

bool UserTextures::AddTexture(const std::wstring&) { return false; }
void UserTextures::Clear() {}

UserTextures& GetUserTextures() {
  static UserTextures textures;
  return textures;
}

void DrawUserImages() {}
