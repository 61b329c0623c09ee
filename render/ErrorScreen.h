#pragma once

// Draws the error picture into the render window until a stop is requested.
void ShowErrorScreen();
