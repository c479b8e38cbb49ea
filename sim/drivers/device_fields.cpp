#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "sim/drivers/device.h"

namespace sim {

int64_t FieldInteger(const DeviceField& field, int64_t low, int64_t high) {
  const std::string& text = field.second;
  std::string digits = text;
  bool negative = false;
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
    negative = digits[0] == '-';
    digits.erase(0, 1);
  }
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.erase(0, 2);
  }
  char* end = nullptr;
  errno = 0;
  unsigned long long magnitude =
      digits.empty() || !std::isxdigit(static_cast<unsigned char>(digits[0]))
          ? 0
          : std::strtoull(digits.c_str(), &end, base);
  bool parsed = end && *end == '\0' && errno == 0 && magnitude <= (1ull << 62);
  int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (!parsed || value < low || value > high)
    throw DeviceFieldError(field.first + "=" + text + ": expected a number from " +
                           std::to_string(low) + " to " + std::to_string(high));
  return value;
}

bool FieldSwitch(const DeviceField& field) {
  const std::string& v = field.second;
  if (v == "1" || v == "on" || v == "true" || v == "yes") return true;
  if (v == "0" || v == "off" || v == "false" || v == "no") return false;
  throw DeviceFieldError(field.first + "=" + v + ": expected on or off (1 or 0)");
}

void UnknownField(const DeviceField& field, std::string_view device,
                  const std::vector<std::pair<std::string, std::string>>& help) {
  std::string names;
  for (const auto& [name, what] : help) names += (names.empty() ? "" : ", ") + name;
  throw DeviceFieldError(std::string(device) + " has no field " + field.first +
                         " (its fields: " + names + ")");
}

}  // namespace sim
