// Which network the handset has: Wi-Fi, a USB link or GPRS, read from the IP helper's tables.
#pragma once

#include "ce/iphlpapi.h"
#include "ce/types.h"

// The best network up, Wi-Fi before USB before GPRS: 2 Wi-Fi, 3 USB, 4 GPRS with a proxy
// ("GprsIsProxy" is 1), 5 GPRS without; 1 when there is none or the tables cannot be read.
DWORD GetNetworkStatus();

// The interface table in a buffer of its own (free it with free), or null when it cannot be read.
MIB_IFTABLE* GetInterfaceTable(BOOL sorted);

// TRUE when an interface of a Wi-Fi chip is listed and the adapter of this hardware's chip has an
// address.
BOOL IsHaveWifiConnnect(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes);

// TRUE when an interface whose description contains "USB" is listed.
BOOL IsHaveUsbConnect(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes);

// TRUE when the modem's link ("Hayes COM9:") is listed.
BOOL IsHaveGprsConnect(const MIB_IFTABLE* interfaces, const MIB_IPFORWARDTABLE* routes);

// TRUE when the adapter of that name is listed with a first address other than "0.0.0.0".
BOOL GetAdapterConnectStatus(LPCWSTR adapter_name);
