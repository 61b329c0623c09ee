#pragma once
#include <cstdint>

// Command-line rules of a screen-saver executable, free of any window call.

enum class SaverMode { Configure, Run, Preview, ChangePassword, Invalid };

struct ModeRequest {
  SaverMode mode = SaverMode::Invalid;
  uint32_t handle = 0;  // preview parent or password parent; 0 when none was given
};

// Skips the executable's path (quoted or up to the first blank) and the blanks
// (characters 1 to 32) after it.
const wchar_t* SkipProgramName(const wchar_t* commandLine);

// Reads the mode from the arguments: separators are space, '-' and '/'; the first
// other character decides. Handles are decimal, digit by digit, 32 bits, no sign.
ModeRequest ParseMode(const wchar_t* arguments);
