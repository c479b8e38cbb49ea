// A handset ready to dial: a SIM of operator 46000 and its profile file with two access points.
#pragma once

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "ce/registry.h"
#include "cehost/network.h"
#include "handset_fixture.h"
#include "ini_bytes.h"
#include "sim/network/network.h"

class GprsTest : public HandsetTest {
 protected:
  void SetUp() override {
    HandsetTest::SetUp();
    PutProfile();
  }
  // Starts the test's handset again from a handset.toml with the text, with the profile file.
  void StartWith(const std::string& toml) {
    RestartWith(toml);
    PutProfile();
  }
  // The profile file of operator 46000, with two access points.
  void PutProfile() {
    handset().PutFile(
        u"\\Windows\\46000.ini",
        IniBytes(u"[CMNET]\r\n  IsSelect=1\r\n  APN=cmnet\r\n  NAME=\r\n  PASSWORD=\r\n"
                 u"  AGENCY=\r\n  PORT=0\r\n[CMWAP]\r\n  APN=cmwap\r\n  NAME=wap\r\n"
                 u"  PASSWORD=secret\r\n  AGENCY=10.0.0.172\r\n  PORT=80"));
  }
  std::vector<std::string> Traces() {
    std::vector<std::string> lines;
    for (const auto& e : handset().journal().Entries("trace")) lines.push_back(e.Field("text"));
    return lines;
  }
  bool Traced(const std::string& line) {
    for (const auto& text : Traces())
      if (text == line) return true;
    return false;
  }
  std::vector<std::string> PhoneCalls() {
    std::vector<std::string> calls;
    for (const auto& e : handset().journal().Entries("phone")) calls.push_back(e.Field("call"));
    return calls;
  }
  void SetDword(HKEY root, const char16_t* key, const char16_t* name, DWORD value) {
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, key, 0, nullptr, 0, 0, nullptr, &handle, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(handle, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
              ERROR_SUCCESS);
    RegCloseKey(handle);
  }
  bool ReadDword(HKEY root, const char16_t* key, const char16_t* name, DWORD* value) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, key, 0, 0, &handle) != ERROR_SUCCESS) return false;
    DWORD size = 4;
    LONG rc =
        RegQueryValueExW(handle, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(handle);
    return rc == ERROR_SUCCESS;
  }
  // The traffic totals in the registry: received, then sent (0 for one that is missing).
  std::pair<DWORD, DWORD> Totals() {
    DWORD received = 0;
    DWORD sent = 0;
    ReadDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"gprsReceiveDataCount", &received);
    ReadDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"gprsSendDataCount", &sent);
    return {received, sent};
  }
  // A Wi-Fi link of the default hardware (version 1) with an address.
  void WifiUp() { cehost::SetNetworkInterface(sim::WifiInterface(sim::WifiChip::kSwld24sp1)); }
};
