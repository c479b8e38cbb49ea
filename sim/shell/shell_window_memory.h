// What the shell's own windows hold: what each did with the private messages it was sent.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>

#include "ce/types.h"

namespace sim {

// The two parameters a message came with.
struct MessageParams {
  uint64_t wparam = 0;
  int64_t lparam = 0;
  bool operator==(const MessageParams&) const = default;
};

struct ShellWindowMemory {
  // Wallpaper refreshes on the desktop and on the lock screen.
  uint32_t desktop_wallpaper_refreshes = 0;
  uint32_t lock_wallpaper_refreshes = 0;
  // Application-quit animations played.
  uint32_t quit_animations = 0;
  // Whether the top bar is shown, as it was when the shell last kept its memory.
  bool top_bar_visible = true;
  // Screen rotations begun.
  uint32_t screen_rotations = 0;
  bool taskbar_list_enabled = true;
  bool slide_app_enabled = true;
  // How often the volume window was shown, and with what, the last time.
  uint32_t volume_shows = 0;
  std::optional<MessageParams> volume;
  // How often display settings were changed, and with what, the last time.
  uint32_t display_setting_changes = 0;
  std::optional<MessageParams> display_settings;
  // What the start-up window was told of applications' initialisation.
  uint32_t app_init_begins = 0;
  uint32_t app_init_finishes = 0;

  bool operator==(const ShellWindowMemory&) const = default;
};

// The windows' memory as JSON.
nlohmann::json WindowMemoryJson(const ShellWindowMemory& memory);

// The memory WindowMemoryJson gave; what the JSON lacks keeps its start value. Throws
// nlohmann::json::exception on a value of another type.
ShellWindowMemory WindowMemoryFromJson(const nlohmann::json& json);

}  // namespace sim
