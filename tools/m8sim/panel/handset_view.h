// The handset at a glance for the panel: what the m8sim commands show of it (its hardware and
// programs, each device, the shell, the input panel, the radio's settings) and the live state
// its programs keep, gathered through one mount that leaves no trace in the journal file.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>

namespace m8sim {

// {"home", "config" (handset.toml as m8sim handset show gives it), "devices" {NAME: m8sim device
// show}, "shell" (m8sim shell status, null without a shell), "sip" (m8sim sip), "registry"
// {"flight_mode", "data_switch", "roaming", "bluetooth"} (null when unset), "state" (state.json's
// sections)}. Throws std::exception when the handset cannot be mounted.
nlohmann::json HandsetView(const std::filesystem::path& home);

}  // namespace m8sim
