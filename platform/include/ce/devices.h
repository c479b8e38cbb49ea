// The device manager and stream drivers: devices opened by name ("ACC0:") with CreateFileW and
// driven with DeviceIoControl, ReadFile and WriteFile; searches of the loaded devices; loading
// and unloading a driver from its registry key.
#pragma once

#include <cstddef>

#include "ce/files.h"
#include "ce/types.h"

// How FindFirstDevice reads its search parameter.
typedef enum _DeviceSearchType {
  DeviceSearchByLegacyName = 0,  // a legacy name such as L"COM1:", wildcards allowed
  DeviceSearchByDeviceName = 1,  // a device name such as L"COM1", wildcards allowed
  DeviceSearchByBusName = 2,     // a bus name, wildcards allowed
  DeviceSearchByGuid = 3,        // a GUID* of an interface class the device advertises
  DeviceSearchByParent = 4,      // the parent device's activation handle
} DeviceSearchType;

// What the device manager says of one loaded device. The record holds two handles, so its size
// depends on the pointer width: the platform publishes 1584 bytes with szBusName at byte 1064
// for its 32-bit handles; on this host, with 64-bit handles, it is 1600 bytes with szBusName at
// 1076. Callers set dwSize to sizeof the record they pass.
typedef struct _DEVMGR_DEVICE_INFORMATION {
  DWORD dwSize;
  HANDLE hDevice;        // the activation handle (DeactivateDevice takes it)
  HANDLE hParentDevice;  // the parent's activation handle, or null
  WCHAR szLegacyName[6];
  WCHAR szDeviceKey[MAX_PATH];
  WCHAR szDeviceName[MAX_PATH];
  WCHAR szBusName[MAX_PATH];
} DEVMGR_DEVICE_INFORMATION, *PDEVMGR_DEVICE_INFORMATION;
static_assert(sizeof(void*) != 8 || sizeof(DEVMGR_DEVICE_INFORMATION) == 1600);
static_assert(sizeof(void*) != 8 || offsetof(DEVMGR_DEVICE_INFORMATION, szBusName) == 1076);
static_assert(sizeof(void*) != 4 || sizeof(DEVMGR_DEVICE_INFORMATION) == 1584);
static_assert(sizeof(void*) != 4 || offsetof(DEVMGR_DEVICE_INFORMATION, szBusName) == 1064);

// Where the device manager lists each loaded device: HKEY_LOCAL_MACHINE\Drivers\Active\NN with
// "Name" (its legacy name), "Hnd" (its activation handle) and "Key" (its driver key).
inline constexpr char16_t kActiveDevicesKey[] = u"Drivers\\Active";

// Power states of SetDevicePower.
typedef enum _CEDEVICE_POWER_STATE {
  PwrDeviceUnspecified = -1,
  D0 = 0,
  D1 = 1,
  D2 = 2,
  D3 = 3,
  D4 = 4,
  PwrDeviceMaximum = 5,
} CEDEVICE_POWER_STATE;

// SetDevicePower's flags: pvDevice is a device name, "{class-guid}\\name" or a bare name of the
// generic power-manageable class; POWER_FORCE is accepted and has no further effect here.
#define POWER_NAME 0x00000001u
#define POWER_FORCE 0x00001000u

// Power classes, as names carry them before a backslash: the generic power-manageable devices
// (assumed when a name carries none) and NDIS miniport network adapters.
#define PMCLASS_GENERIC_DEVICE u"{A32942B7-920C-486b-B0E6-92A702A99B35}"
#define PMCLASS_NDIS_MINIPORT u"{98C5250D-C29A-4985-AE5F-AFE5367E5006}"

extern "C" {

// Sends a control code to an open device with its input and output bytes; the driver's result,
// with *lpBytesReturned (when given) set to the output bytes it wrote.
BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                     LPOVERLAPPED lpOverlapped);

// Starts a search of the loaded devices and fills *pdi with the first match; a search handle
// (closed with FindClose), or INVALID_HANDLE_VALUE and the last error.
HANDLE FindFirstDevice(DeviceSearchType searchType, LPCVOID pvSearchParam,
                       PDEVMGR_DEVICE_INFORMATION pdi);

// Fills *pdi with the search's next match; FALSE and the last error at the end.
BOOL FindNextDevice(HANDLE hSearchHandle, PDEVMGR_DEVICE_INFORMATION pdi);

// Loads the driver whose key (under HKEY_LOCAL_MACHINE) is lpszDevKey and lists it under
// Drivers\Active; its activation handle, or INVALID_HANDLE_VALUE and the last error.
HANDLE ActivateDeviceEx(LPCWSTR lpszDevKey, LPCVOID lpRegEnts, DWORD cRegEnts, LPVOID lpvParam);

// Unloads a driver loaded by ActivateDeviceEx and removes its Drivers\Active key.
BOOL DeactivateDevice(HANDLE hDevice);

// Forces a power-managed device, named by pvDevice (with POWER_NAME), into a power state, or
// with PwrDeviceUnspecified releases the forced state; an error code (ERROR_SUCCESS, 2 for an
// unknown device, 87 for a bad name, flag or state), not the last error.
DWORD SetDevicePower(PVOID pvDevice, DWORD dwDeviceFlags, CEDEVICE_POWER_STATE dwState);

}  // extern "C"
