#include "sim/shell/shell_window_memory.h"

namespace sim {
namespace {

nlohmann::json ParamsJson(const std::optional<MessageParams>& params) {
  if (!params) return nullptr;
  return {{"wparam", params->wparam}, {"lparam", params->lparam}};
}

std::optional<MessageParams> ParamsFromJson(const nlohmann::json& json, const char* key) {
  auto found = json.find(key);
  if (found == json.end() || !found->is_object()) return std::nullopt;
  return MessageParams{found->value("wparam", uint64_t{0}), found->value("lparam", int64_t{0})};
}

}  // namespace

nlohmann::json WindowMemoryJson(const ShellWindowMemory& m) {
  return {{"desktop_wallpaper_refreshes", m.desktop_wallpaper_refreshes},
          {"lock_wallpaper_refreshes", m.lock_wallpaper_refreshes},
          {"quit_animations", m.quit_animations},
          {"top_bar_visible", m.top_bar_visible},
          {"screen_rotations", m.screen_rotations},
          {"taskbar_list_enabled", m.taskbar_list_enabled},
          {"slide_app_enabled", m.slide_app_enabled},
          {"volume_shows", m.volume_shows},
          {"volume", ParamsJson(m.volume)},
          {"display_setting_changes", m.display_setting_changes},
          {"display_settings", ParamsJson(m.display_settings)},
          {"app_init_begins", m.app_init_begins},
          {"app_init_finishes", m.app_init_finishes}};
}

ShellWindowMemory WindowMemoryFromJson(const nlohmann::json& json) {
  ShellWindowMemory m;
  if (!json.is_object()) return m;
  m.desktop_wallpaper_refreshes = json.value("desktop_wallpaper_refreshes", 0u);
  m.lock_wallpaper_refreshes = json.value("lock_wallpaper_refreshes", 0u);
  m.quit_animations = json.value("quit_animations", 0u);
  m.top_bar_visible = json.value("top_bar_visible", true);
  m.screen_rotations = json.value("screen_rotations", 0u);
  m.taskbar_list_enabled = json.value("taskbar_list_enabled", true);
  m.slide_app_enabled = json.value("slide_app_enabled", true);
  m.volume_shows = json.value("volume_shows", 0u);
  m.volume = ParamsFromJson(json, "volume");
  m.display_setting_changes = json.value("display_setting_changes", 0u);
  m.display_settings = ParamsFromJson(json, "display_settings");
  m.app_init_begins = json.value("app_init_begins", 0u);
  m.app_init_finishes = json.value("app_init_finishes", 0u);
  return m;
}

}  // namespace sim
