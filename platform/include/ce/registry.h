// The registry: keys under two roots, values of any type stored as their raw bytes.
#pragma once

#include "ce/errors.h"
#include "ce/types.h"

#define HKEY_CLASSES_ROOT \
  (reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(0x80000000))))
#define HKEY_CURRENT_USER \
  (reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(0x80000001))))
#define HKEY_LOCAL_MACHINE \
  (reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(0x80000002))))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<LONG>(0x80000003))))

typedef DWORD REGSAM;

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_READ 0x20019
#define KEY_EXECUTE 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7

#define REG_OPTION_NON_VOLATILE 0
#define REG_OPTION_VOLATILE 1

#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

// Longest key or value name, in characters without the terminator.
#define REG_MAX_NAME 255
// Deepest nesting of keys below a root.
#define REG_MAX_DEPTH 16

extern "C" {

// Opens the key, creating it and any missing parents; *lpdwDisposition (when not null) tells
// which. Returns an error code.
LONG RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions,
                     REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                     LPDWORD lpdwDisposition);

// Opens an existing key; ERROR_FILE_NOT_FOUND when it is missing.
LONG RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   PHKEY phkResult);

// Reads a value's type and bytes with the platform's size-in/size-out protocol.
LONG RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData);

// Stores exactly cbData bytes under the value name with the given type, replacing any old value.
LONG RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                    const BYTE* lpData, DWORD cbData);

// Names the key's dwIndex-th subkey; ERROR_NO_MORE_ITEMS past the last one.
LONG RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                   LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime);

// Names the key's dwIndex-th value and reads it; ERROR_NO_MORE_ITEMS past the last one.
LONG RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);

// Removes one value; ERROR_FILE_NOT_FOUND when it is missing.
LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);

// Removes a key with its values and subkeys; ERROR_FILE_NOT_FOUND when it is missing.
LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);

// Releases a key handle; closing a root key does nothing.
LONG RegCloseKey(HKEY hKey);

}  // extern "C"
