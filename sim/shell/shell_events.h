// The events the shell announces, by the short names people use for them: the part of the
// registered message name after "ShellNotifyMsg/" ("ClickMKey", "EntryLockphone").
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "oem/shell.h"

namespace sim {

// The event's short name.
std::string ShellEventName(ShellEvent event);

// The event of a short name, compared without regard to case; nothing when no event has it.
std::optional<ShellEvent> FindShellEvent(std::string_view name);

}  // namespace sim
