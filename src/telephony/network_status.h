// Which network the handset has: Wi-Fi, a USB link or GPRS, read from the IP helper's tables.
#pragma once

#include "ce/iphlpapi.h"
#include "ce/types.h"

// The network states, best network first.
constexpr DWORD kNoNetwork = 1;
constexpr DWORD kWifi = 2;
constexpr DWORD kUsb = 3;
constexpr DWORD kGprsWithProxy = 4;
constexpr DWORD kGprsWithoutProxy = 5;

// The best network up, Wi-Fi before USB before GPRS: 2 Wi-Fi, 3 USB, 4 GPRS with a proxy
// ("GprsIsProxy" is 1), 5 GPRS without; 1 when there is none or the tables cannot be read.
DWORD GetNetworkStatus();

// The interface table in a record of its own (AllocateRecord's: released with std::free), or null
// when it cannot be read.
MIB_IFTABLE* GetInterfaceTable(BOOL sorted);

// True when an interface of a Wi-Fi chip is listed and the adapter of this hardware's chip has an
// address.
bool IsHaveWifiConnnect(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes);

// True when an interface whose description contains "USB" is listed.
bool IsHaveUsbConnect(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes);

// True when the modem's link ("Hayes COM9:") is listed.
bool IsHaveGprsConnect(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes);

// True when the adapter of that name is listed with a first address other than "0.0.0.0".
bool GetAdapterConnectStatus(LPCWSTR adapter_name);
