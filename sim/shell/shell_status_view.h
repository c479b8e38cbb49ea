// The shell's status as a person and a tool read it: lines of text, and a JSON record.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "sim/shell/shell.h"

namespace sim {

// What the shell holds, whether it runs, and its windows, a line each.
std::string ShellStatusText(const ShellStatus& status);
// The same as one JSON record of type "shell".
nlohmann::json ShellStatusJson(const ShellStatus& status);

}  // namespace sim
