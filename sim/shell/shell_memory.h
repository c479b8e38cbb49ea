// What the shell holds in its memory: the windows subscribed to its events, what applications
// asked it to hold, its screen, lock and desktop icons, and the user notifications it shows.
// Kept in the home's state.json between two runs, and shown by m8sim shell status.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ce/types.h"
#include "sim/shell/shell_window_memory.h"

namespace sim {

// A tip shown on a desktop icon: its text and the 16-byte block that came with it.
struct IconTip {
  std::u16string text;
  std::array<DWORD, 4> block{};
  bool operator==(const IconTip&) const = default;
};

// An animation of a desktop icon, with its two arguments.
struct IconAnimation {
  DWORD first = 0;
  DWORD second = 0;
  bool operator==(const IconAnimation&) const = default;
};

// What applications set on one desktop icon.
struct DesktopIcon {
  std::optional<IconAnimation> animation;
  std::optional<IconTip> tip;
  bool operator==(const DesktopIcon&) const = default;
};

struct ShellMemory {
  // Subscribed windows with the value each subscribed with.
  std::map<DWORD, DWORD> subscriptions;
  // Windows holding the battery-low warning box.
  std::set<DWORD> battery_box_holders;
  // Windows holding the shell's use of keys, with the value each held.
  std::set<std::pair<DWORD, DWORD>> held_keys;
  // The screen stays on while a requester keeps it so; else it switches off by itself.
  bool screen_always_on = false;
  DWORD screen_requester = 0;
  // The phone lock.
  bool locked = false;
  // Desktop icons by name.
  std::map<std::u16string, DesktopIcon> icons;
  // The user notifications shown, by handle, with their content.
  std::map<DWORD, std::vector<uint8_t>> notifications;
  // How often the shell reloaded its desktop icons, powered off, reset, and heard that the user
  // name changed.
  uint32_t icon_reloads = 0;
  uint32_t power_offs = 0;
  uint32_t resets = 0;
  uint32_t user_name_changes = 0;
  // What its windows did with the messages sent to them.
  ShellWindowMemory windows;

  bool operator==(const ShellMemory&) const = default;
};

// The memory as JSON: windows as numbers, text as UTF-8, notification contents as RecordJson.
nlohmann::json MemoryJson(const ShellMemory& memory);

// The memory that MemoryJson gave; what the JSON lacks is left empty, and a JSON with a value of
// another type gives an empty memory.
ShellMemory MemoryFromJson(const nlohmann::json& json);

// Bytes as {"size": n, "hex": ...}, the hex without the zero bytes that end them.
nlohmann::json BytesJson(const std::vector<uint8_t>& bytes);

// The bytes BytesJson gave; nothing when the JSON is not of that form.
std::optional<std::vector<uint8_t>> BytesFromJson(const nlohmann::json& json);

}  // namespace sim
