// The handset's network links as its drivers bring them up: the loopback every handset has, the
// Wi-Fi adapter of either chip and the USB network link to a PC. Tests and tools put them on the
// current handset with cehost::SetNetworkInterface and take them down with
// cehost::RemoveNetworkInterface; the modem adds its own GPRS link while a dial-up is up.
#pragma once

#include <cstdint>
#include <string>

#include "cehost/network.h"

namespace sim {

// The two WLAN chips the handset is built with.
enum class WifiChip { kSwld24sp1, kSdio86881 };

// Interface indexes of the links below.
constexpr uint32_t kLoopbackIndex = 1;
constexpr uint32_t kWifiIndex = 2;
constexpr uint32_t kUsbIndex = 3;
constexpr uint32_t kGprsIndex = 0x20;

// The loopback: type 24, 127.0.0.1, with its host route (metric 1).
cehost::NetworkInterface LoopbackInterface();

// The Wi-Fi adapter of the chip (type 6, the chip's name as its adapter name and in its
// description, route metric 10); with an address other than "0.0.0.0" it also has the gateway
// 192.168.1.1.
cehost::NetworkInterface WifiInterface(WifiChip chip, const std::string& address = "192.168.1.20");

// The USB network link to a PC (type 6, "USB Remote NDIS Network Device", 169.254.2.1 through
// 169.254.2.2, route metric 20).
cehost::NetworkInterface UsbInterface();

// The modem's GPRS link while a dial-up connection is up (type 23 PPP, "Hayes COM9:", the
// network's address as its own and as its gateway, route metric 30).
cehost::NetworkInterface GprsLinkInterface(const std::string& address = "10.168.1.23");

}  // namespace sim
