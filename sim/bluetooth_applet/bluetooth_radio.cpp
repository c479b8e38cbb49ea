#include "sim/bluetooth_applet/bluetooth_radio.h"

#include <cstring>

#include "cehost/text.h"

namespace sim {

namespace {

// The longest device name that travels to the server: the settings give at most 50 characters.
constexpr size_t kMaxName = 256;

// A call as it travels; the name of a kSetName call follows it.
struct WireCall {
  uint64_t hwnd = 0;
  uint32_t msg = 0;
  uint32_t has_name = 0;
  int64_t lparam1 = 0;
  int64_t lparam2 = 0;
};

}  // namespace

std::optional<LONG> CallServerApplet(HWND hwnd, UINT msg, LPARAM lParam1, LPARAM lParam2) {
  if (CurrentBluetooth() || !cehost::HandsetServed()) return std::nullopt;
  // A name is a pointer into this program: its text travels instead.
  bool name = msg == kSetName && lParam1;
  WireCall call{reinterpret_cast<uintptr_t>(hwnd), msg, name ? 1u : 0u, name ? 0 : lParam1,
                lParam2};
  std::vector<uint8_t> bytes(sizeof call);
  std::memcpy(bytes.data(), &call, sizeof call);
  if (name) {
    std::u16string_view text =
        cehost::BoundedText(reinterpret_cast<const char16_t*>(lParam1), kMaxName);
    const auto* units = reinterpret_cast<const uint8_t*>(text.data());
    bytes.insert(bytes.end(), units, units + text.size() * sizeof(char16_t));
  }
  auto reply = cehost::CallServedProgram(kBluetoothProgram, bytes);
  int32_t result = 0;
  if (!reply || reply->size() != sizeof result) return std::nullopt;
  std::memcpy(&result, reply->data(), sizeof result);
  return result;
}

std::optional<std::vector<uint8_t>> BluetoothRadio::Answer(const std::vector<uint8_t>& bytes) {
  WireCall call;
  if (bytes.size() < sizeof call) return std::nullopt;
  std::memcpy(&call, bytes.data(), sizeof call);
  size_t name_bytes = bytes.size() - sizeof call;
  if (call.has_name > 1 || name_bytes % sizeof(char16_t) ||
      name_bytes > kMaxName * sizeof(char16_t) || (!call.has_name && name_bytes))
    return std::nullopt;
  std::u16string name(name_bytes / sizeof(char16_t), u'\0');
  if (name_bytes) std::memcpy(name.data(), bytes.data() + sizeof call, name_bytes);
  LPARAM lparam1 = call.has_name ? reinterpret_cast<LPARAM>(name.c_str()) : call.lparam1;
  auto result = static_cast<int32_t>(BluetoothApplet(
      reinterpret_cast<HWND>(static_cast<uintptr_t>(call.hwnd)), call.msg, lparam1, call.lparam2));
  std::vector<uint8_t> reply(sizeof result);
  std::memcpy(reply.data(), &result, sizeof result);
  return reply;
}

std::shared_ptr<BluetoothRadio> CurrentBluetooth() {
  return cehost::CurrentProgramState<BluetoothRadio>(kBluetoothProgram);
}

}  // namespace sim
