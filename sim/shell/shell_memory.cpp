#include "sim/shell/shell_memory.h"

#include "cehost/journal.h"
#include "cehost/text.h"

namespace sim {

namespace {

// The largest record a queue of the shell carries, and so the largest bytes kept.
constexpr size_t kMostBytes = 1 << 16;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

DWORD Dword(const nlohmann::json& json) {
  return json.is_number_unsigned() ? json.get<DWORD>() : 0;
}

std::string Utf8(const std::u16string& text) {
  return cehost::ToUtf8(text);
}

std::u16string Utf16(const nlohmann::json& json) {
  return json.is_string() ? cehost::ToUtf16(json.get<std::string>()) : std::u16string();
}

nlohmann::json IconJson(const std::u16string& name, const DesktopIcon& icon) {
  nlohmann::json json = {{"name", Utf8(name)}};
  if (icon.animation)
    json["animation"] = {{"first", icon.animation->first}, {"second", icon.animation->second}};
  if (icon.tip) json["tip"] = {{"text", Utf8(icon.tip->text)}, {"block", icon.tip->block}};
  return json;
}

DesktopIcon IconFromJson(const nlohmann::json& json) {
  DesktopIcon icon;
  if (auto a = json.find("animation"); a != json.end() && a->is_object())
    icon.animation = IconAnimation{Dword(a->value("first", 0u)), Dword(a->value("second", 0u))};
  if (auto t = json.find("tip"); t != json.end() && t->is_object()) {
    IconTip tip;
    tip.text = Utf16(t->value("text", nlohmann::json()));
    nlohmann::json block = t->value("block", nlohmann::json::array());
    for (size_t i = 0; i < tip.block.size() && block.is_array() && i < block.size(); ++i)
      tip.block[i] = Dword(block[i]);
    icon.tip = tip;
  }
  return icon;
}

// The array under the key, or an empty one.
nlohmann::json Array(const nlohmann::json& json, const char* key) {
  auto found = json.find(key);
  return found != json.end() && found->is_array() ? *found : nlohmann::json::array();
}

}  // namespace

nlohmann::json BytesJson(const std::vector<uint8_t>& bytes) {
  size_t used = bytes.size();
  while (used > 0 && bytes[used - 1] == 0) --used;
  return {{"size", bytes.size()}, {"hex", cehost::HexBytes(bytes.data(), used)}};
}

std::optional<std::vector<uint8_t>> BytesFromJson(const nlohmann::json& json) {
  if (!json.is_object() || !json.contains("size") || !json["size"].is_number_unsigned() ||
      !json.contains("hex") || !json["hex"].is_string())
    return std::nullopt;
  size_t size = json["size"].get<size_t>();
  const std::string& hex = json["hex"].get_ref<const std::string&>();
  if (size > kMostBytes || hex.size() % 2 != 0 || hex.size() / 2 > size) return std::nullopt;
  std::vector<uint8_t> bytes(size, 0);
  for (size_t i = 0; i < hex.size() / 2; ++i) {
    int high = HexDigit(hex[2 * i]);
    int low = HexDigit(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return bytes;
}

nlohmann::json MemoryJson(const ShellMemory& m) {
  nlohmann::json subscriptions = nlohmann::json::array();
  for (const auto& [window, value] : m.subscriptions)
    subscriptions.push_back({{"window", window}, {"value", value}});
  nlohmann::json held_keys = nlohmann::json::array();
  for (const auto& [window, value] : m.held_keys)
    held_keys.push_back({{"window", window}, {"value", value}});
  nlohmann::json icons = nlohmann::json::array();
  for (const auto& [name, icon] : m.icons) icons.push_back(IconJson(name, icon));
  nlohmann::json notifications = nlohmann::json::array();
  for (const auto& [handle, content] : m.notifications)
    notifications.push_back({{"handle", handle}, {"content", BytesJson(content)}});
  return {{"subscriptions", subscriptions},
          {"battery_box_holders", m.battery_box_holders},
          {"held_keys", held_keys},
          {"screen", {{"always_on", m.screen_always_on}, {"requester", m.screen_requester}}},
          {"locked", m.locked},
          {"icons", icons},
          {"notifications", notifications},
          {"icon_reloads", m.icon_reloads},
          {"power_offs", m.power_offs},
          {"resets", m.resets},
          {"user_name_changes", m.user_name_changes},
          {"windows", WindowMemoryJson(m.windows)}};
}

ShellMemory MemoryFromJson(const nlohmann::json& json) try {
  ShellMemory m;
  if (!json.is_object()) return m;
  for (const auto& s : Array(json, "subscriptions"))
    if (s.is_object()) m.subscriptions[Dword(s.value("window", 0u))] = Dword(s.value("value", 0u));
  for (const auto& window : Array(json, "battery_box_holders"))
    m.battery_box_holders.insert(Dword(window));
  for (const auto& h : Array(json, "held_keys"))
    if (h.is_object())
      m.held_keys.emplace(Dword(h.value("window", 0u)), Dword(h.value("value", 0u)));
  if (auto screen = json.find("screen"); screen != json.end() && screen->is_object()) {
    m.screen_always_on = screen->value("always_on", false);
    m.screen_requester = Dword(screen->value("requester", 0u));
  }
  m.locked = json.value("locked", false);
  for (const auto& icon : Array(json, "icons"))
    if (icon.is_object()) m.icons[Utf16(icon.value("name", nlohmann::json()))] = IconFromJson(icon);
  for (const auto& n : Array(json, "notifications")) {
    if (!n.is_object()) continue;
    if (auto content = BytesFromJson(n.value("content", nlohmann::json())))
      m.notifications[Dword(n.value("handle", 0u))] = std::move(*content);
  }
  m.icon_reloads = Dword(json.value("icon_reloads", 0u));
  m.power_offs = Dword(json.value("power_offs", 0u));
  m.resets = Dword(json.value("resets", 0u));
  m.user_name_changes = Dword(json.value("user_name_changes", 0u));
  m.windows = WindowMemoryFromJson(json.value("windows", nlohmann::json()));
  return m;
} catch (const nlohmann::json::exception&) {
  // A value of another type than the one MemoryJson writes.
  return ShellMemory{};
}

}  // namespace sim
