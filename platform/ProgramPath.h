#pragma once
#include <string>

// The running program's own file, spelled one way however it was started: a short
// 8.3 name, a path through "..", another case of a letter or a 32-bit caller's
// "Sysnative" all name the one file the settings and the archive are found beside.
// "" when the system cannot say.
std::wstring GetProgramPath();

// `path` with a "Sysnative" folder right under the Windows folder read as the system
// folder. A 32-bit process reaches the native System32 by that name; to a native
// process the name does not exist, so a path handed over by one is spelled anew.
std::wstring NativeSystemPath(const std::wstring& path, const std::wstring& windowsFolder,
                              const std::wstring& systemFolder);

// Whether `path` is `folder` or lies under it, letters compared without case and
// separators at the folder's end ignored.
bool IsWithinFolder(const std::wstring& path, const std::wstring& folder);

// The folder of a file's path, ending with a separator; "" for a bare name.
std::wstring FolderOf(const std::wstring& path);
