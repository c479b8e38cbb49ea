#include "sim/network/network.h"

namespace sim {

cehost::NetworkInterface LoopbackInterface() {
  cehost::NetworkInterface loopback;
  loopback.index = kLoopbackIndex;
  loopback.type = 24;
  loopback.description = "Loopback Interface";
  loopback.adapter_name = "LOOPBACK";
  loopback.address = "127.0.0.1";
  loopback.mask = "255.0.0.0";
  loopback.metric = 1;
  return loopback;
}

cehost::NetworkInterface WifiInterface(WifiChip chip, const std::string& address) {
  std::string name = chip == WifiChip::kSwld24sp1 ? "SWLD24SP1" : "SDIO86881";
  cehost::NetworkInterface wifi;
  wifi.index = kWifiIndex;
  wifi.type = 6;
  wifi.description = name + " Wireless LAN Adapter";
  wifi.adapter_name = name;
  wifi.address = address;
  if (address != "0.0.0.0") {
    wifi.mask = "255.255.255.0";
    wifi.gateway = "192.168.1.1";
  }
  wifi.metric = 10;
  return wifi;
}

cehost::NetworkInterface UsbInterface() {
  cehost::NetworkInterface usb;
  usb.index = kUsbIndex;
  usb.type = 6;
  usb.description = "USB Remote NDIS Network Device";
  usb.adapter_name = "RNDISFN1";
  usb.address = "169.254.2.1";
  usb.mask = "255.255.255.0";
  usb.gateway = "169.254.2.2";
  usb.metric = 20;
  return usb;
}

cehost::NetworkInterface GprsLinkInterface(const std::string& address) {
  cehost::NetworkInterface link;
  link.index = kGprsIndex;
  link.type = 23;
  link.description = "Hayes COM9:";
  link.adapter_name = "Hayes COM9:";
  link.address = address;
  link.mask = "255.255.255.255";
  link.gateway = address;
  link.metric = 30;
  return link;
}

}  // namespace sim
