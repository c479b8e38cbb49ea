// The platform's basic types, as the Windows CE interface names them, on a 64-bit host.
#pragma once

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>
#else
// A C program gets the same types: char16_t and static_assert are C11's.
#include <assert.h>
#include <stddef.h>
#include <stdint.h>
#include <uchar.h>
#endif

#define WINAPI
#define CALLBACK
#define APIENTRY

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef int32_t INT;
typedef int32_t BOOL;
typedef char16_t WCHAR;
typedef char CHAR;
typedef uint16_t LANGID;
typedef uint32_t LCID;

typedef BYTE* PBYTE;
typedef BYTE* LPBYTE;
typedef const BYTE* LPCBYTE;
typedef DWORD* LPDWORD;
typedef DWORD* PDWORD;
typedef LONG* PLONG;
typedef LONG* LPLONG;
typedef ULONG* PULONG;
typedef BOOL* LPBOOL;
typedef void* LPVOID;
typedef void* PVOID;
typedef const void* LPCVOID;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;

typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef uintptr_t DWORD_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef DWORD_PTR* PDWORD_PTR;

// Opaque handle types. cehost hands out small integer values, so that a handle fits the 32-bit
// fields of the platform's records.
typedef struct HANDLE__* HANDLE;
typedef HANDLE* PHANDLE;
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef struct HWND__* HWND;
typedef struct HDC__* HDC;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INFINITE 0xFFFFFFFFu

#ifdef __cplusplus
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#else
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#endif

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;
static_assert(sizeof(FILETIME) == 8, "laid out as the platform publishes it");

typedef struct _SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
} SYSTEMTIME, *PSYSTEMTIME, *LPSYSTEMTIME;
static_assert(sizeof(SYSTEMTIME) == 16, "laid out as the platform publishes it");

// Windows CE ignores security attributes; the record exists so that calls keep their shape.
typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

// A globally unique identifier, as device classes and interfaces are named.
typedef struct _GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
} GUID, *LPGUID;
typedef const GUID* LPCGUID;
static_assert(sizeof(GUID) == 16, "laid out as the platform publishes it");
