// The names devices go by: legacy names ("ACC0:"), device names ("$device\ACC0"), and the
// wildcard patterns the device manager's searches take.
#pragma once

#include <string>
#include <string_view>

namespace cehost {

// True for a legacy name's form: three letters, a digit and a colon ("ACC0:").
bool IsLegacyName(std::u16string_view name);

// The device name part of "\$device\ACC0" or "$device\ACC0" ("ACC0"); false when the name has
// neither form.
bool DeviceNamePart(std::u16string_view name, std::u16string_view* part);

// The bus name part of "\$bus\NAME" or "$bus\NAME"; false when the name has neither form.
bool BusNamePart(std::u16string_view name, std::u16string_view* part);

// The device name of a legacy name: the name without its colon ("ACC0").
std::u16string_view DeviceNameOf(std::u16string_view legacy_name);

// True when the name matches the pattern, where "*" stands for any run of characters and "?"
// for one, without regard to case.
bool MatchesPattern(std::u16string_view pattern, std::u16string_view name);

}  // namespace cehost
