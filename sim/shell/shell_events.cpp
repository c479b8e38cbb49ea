#include "sim/shell/shell_events.h"

#include "cehost/text.h"

namespace sim {

namespace {
constexpr std::u16string_view kPrefix = u"ShellNotifyMsg/";
}  // namespace

std::string ShellEventName(ShellEvent event) {
  std::u16string_view name = kShellEventMessageNames[event];
  if (name.substr(0, kPrefix.size()) == kPrefix) name.remove_prefix(kPrefix.size());
  return cehost::ToUtf8(name);
}

std::optional<ShellEvent> FindShellEvent(std::string_view name) {
  std::u16string wanted = cehost::ToUtf16(name);
  for (int e = 0; e < SHELL_EVENT_COUNT; ++e) {
    auto event = static_cast<ShellEvent>(e);
    if (cehost::EqualsIgnoreCase(cehost::ToUtf16(ShellEventName(event)), wanted)) return event;
  }
  return std::nullopt;
}

}  // namespace sim
