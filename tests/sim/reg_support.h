// .reg file bytes and registry look-ups for the .reg codec's tests.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ce/registry.h"
#include "sim/regfile/reg_file.h"

// A Version 5.00 file: the mark, the header, a blank line and the given lines, each ended by
// CR LF, as UTF-16LE.
inline std::vector<uint8_t> Reg5(const std::vector<std::u16string>& lines) {
  std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n";
  for (const auto& line : lines) text += line + u"\r\n";
  std::vector<uint8_t> bytes{0xFF, 0xFE};
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

// A REGEDIT4 file: 8-bit text, lines ended by CR LF.
inline std::vector<uint8_t> Reg4(const std::vector<std::string>& lines) {
  std::string text = "REGEDIT4\r\n\r\n";
  for (const auto& line : lines) text += line + "\r\n";
  return std::vector<uint8_t>(text.begin(), text.end());
}

// Takes the device manager's list of the loaded drivers (HKEY_LOCAL_MACHINE\Drivers\Active,
// which every mount fills with the handset's devices) out of the registry, for a test that
// compares the whole registry with a file.
inline void ForgetLoadedDevices() {
  sim::ImportRegistry(Reg5({u"[-HKEY_LOCAL_MACHINE\\Drivers]"}));
}

struct RegValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> bytes;
  bool operator==(const RegValue&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const RegValue& value) {
  out << "type " << value.type << " bytes";
  for (uint8_t b : value.bytes) out << ' ' << std::hex << int(b) << std::dec;
  return out;
}

// The value as stored, or nothing when it or its key is missing.
inline std::optional<RegValue> QueryValue(HKEY root, const char16_t* path, const char16_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, 0, &key) != ERROR_SUCCESS) return std::nullopt;
  RegValue value;
  DWORD size = 0;
  LONG rc = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
  value.bytes.resize(size);
  if (rc == ERROR_SUCCESS)
    rc = RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  return value;
}

// True when the key exists.
inline bool HasKey(HKEY root, const char16_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, 0, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The UTF-16LE bytes of a string value with its terminator.
inline std::vector<uint8_t> SzBytes(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}
