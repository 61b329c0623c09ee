#pragma once
#include <string>

// Turns the stored settings into a scene and composes each frame: backdrop,
// the family's effect, the logo.
namespace SceneManager {
bool Init(const std::wstring& settingsPath, bool applySettings);
bool InitEffects();
void Reset();
void LoadPictures();
void Update();
void DrawFrame(bool blankFrame);
bool Teardown();
}  // namespace SceneManager
