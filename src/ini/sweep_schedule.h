// When a writer looks through a folder for scratch files that writers before it left behind.
#pragma once

#include <chrono>
#include <string_view>

namespace ini {

// How long a process leaves a folder it swept before sweeping it again.
constexpr std::chrono::seconds kSweepInterval{60};

// How many folders a process remembers; beyond that, the one swept longest ago is forgotten
// (and so is swept again at its next write).
constexpr int kRememberedFolders = 32;

// True when the folder (its path, case ignored) is due for a sweep at now: this process has not
// swept it within kSweepInterval before now. A true answer counts as the sweep made at now.
// Safe to call from several threads.
bool SweepDue(std::u16string_view folder, std::chrono::steady_clock::time_point now);

}  // namespace ini
