// The journal file of a handset home: while a panel serves the home (it holds panel.lock), every
// process that mounts the handset appends its effects to journal.jsonl for the panel to follow.
// With no panel, nothing is appended, so a file left behind does not grow unwatched.
#pragma once

#include <filesystem>

namespace sim {

// home/journal.jsonl.
std::filesystem::path JournalFile(const std::filesystem::path& home);
// home/panel.lock, held (flock) by the panel that serves the home.
std::filesystem::path PanelLock(const std::filesystem::path& home);
// True when a panel serves the home now.
bool PanelServes(const std::filesystem::path& home);

}  // namespace sim
