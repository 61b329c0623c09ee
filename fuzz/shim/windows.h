#pragma once
// The few Windows types, constants and calls that the parsers' source files use,
// so that those very files compile natively for fuzzing. Values are the ones the
// platform defines. A wide string here holds UTF-16 code units, one per wchar_t,
// exactly as on Windows; only the slot is wider (see windows.cpp).
#include <cstddef>
#include <cstdint>

#define WINAPI

using BOOL = int;
using BYTE = uint8_t;
using DWORD = uint32_t;  // 32 bits, as the platform's unsigned long
using LONG = int32_t;
using LONGLONG = int64_t;
using UINT = unsigned int;
using HANDLE = void*;
using HLOCAL = void*;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using LPCCH = const char*;
using LPSTR = char*;
using LPBOOL = BOOL*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};
using PLARGE_INTEGER = LARGE_INTEGER*;

struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;
struct BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
};

#define TRUE 1
#define FALSE 0
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_WRITE_THROUGH 0x00000008

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH bytes, int byteCount, LPWSTR wide, int wideCount);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR bytes, int byteCount,
                        LPCCH defaultChar, LPBOOL usedDefaultChar);

// Files and the process: no fuzz target reaches a file. Opening one fails as for
// a missing file (the store's Load then keeps its defaults); everything that
// needs an open handle stops the run, since it cannot be reached.
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition,
                   DWORD attributes, HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);
DWORD GetLastError();
BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info);
BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, OVERLAPPED* overlapped);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
BOOL DeleteFileW(LPCWSTR name);
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
LPWSTR GetCommandLineW();
HLOCAL LocalFree(HLOCAL memory);
void PostQuitMessage(int exitCode);
