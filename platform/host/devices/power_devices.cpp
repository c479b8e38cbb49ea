#include "devices/power_devices.h"

#include <cstring>

#include "cehost/text.h"

namespace cehost {

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Reads digits hex digits at text[*at]; false when one is not a hex digit.
bool ReadHex(std::u16string_view text, size_t* at, int digits, uint32_t* out) {
  uint32_t value = 0;
  for (int i = 0; i < digits; ++i) {
    int digit = HexDigit(text[(*at)++]);
    if (digit < 0) return false;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  *out = value;
  return true;
}

bool Expect(std::u16string_view text, size_t* at, char16_t c) {
  return text[(*at)++] == c;
}

}  // namespace

bool SameGuid(const GUID& a, const GUID& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

bool ParseGuid(std::u16string_view text, GUID* out) {
  if (text.size() != 38) return false;
  size_t at = 0;
  uint32_t value = 0;
  GUID guid{};
  if (!Expect(text, &at, u'{') || !ReadHex(text, &at, 8, &guid.Data1)) return false;
  if (!Expect(text, &at, u'-') || !ReadHex(text, &at, 4, &value)) return false;
  guid.Data2 = static_cast<WORD>(value);
  if (!Expect(text, &at, u'-') || !ReadHex(text, &at, 4, &value)) return false;
  guid.Data3 = static_cast<WORD>(value);
  if (!Expect(text, &at, u'-')) return false;
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && !Expect(text, &at, u'-')) return false;
    if (!ReadHex(text, &at, 2, &value)) return false;
    guid.Data4[i] = static_cast<BYTE>(value);
  }
  if (!Expect(text, &at, u'}')) return false;
  *out = guid;
  return true;
}

bool SplitPowerName(std::u16string_view text, PowerName* out) {
  PowerName name;
  if (!text.empty() && text.front() == u'{') {
    size_t slash = text.find(u'\\');
    if (slash == std::u16string_view::npos ||
        !ParseGuid(text.substr(0, slash), &name.power_class)) {
      return false;
    }
    text.remove_prefix(slash + 1);
  }
  if (text.empty()) return false;
  name.name = text;
  *out = name;
  return true;
}

void PowerDeviceTable::Install(const GUID& power_class, std::u16string name,
                               std::shared_ptr<PowerManagedDevice> device) {
  std::lock_guard lock(mutex_);
  for (auto& entry : entries_) {
    if (SameGuid(entry.power_class, power_class) && EqualsIgnoreCase(entry.name, name)) {
      entry.name = std::move(name);
      entry.device = std::move(device);
      return;
    }
  }
  entries_.push_back(Entry{power_class, std::move(name), std::move(device)});
}

bool PowerDeviceTable::Remove(const GUID& power_class, std::u16string_view name) {
  std::lock_guard lock(mutex_);
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (SameGuid(it->power_class, power_class) && EqualsIgnoreCase(it->name, name)) {
      entries_.erase(it);
      return true;
    }
  }
  return false;
}

std::shared_ptr<PowerManagedDevice> PowerDeviceTable::Find(const GUID& power_class,
                                                           std::u16string_view name) const {
  std::lock_guard lock(mutex_);
  for (const auto& entry : entries_) {
    if (SameGuid(entry.power_class, power_class) && EqualsIgnoreCase(entry.name, name)) {
      return entry.device;
    }
  }
  return nullptr;
}

}  // namespace cehost
