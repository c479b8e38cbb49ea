// Replacing a file of a handset home whole: a reader sees the old contents or the new ones,
// never a file half-written.
#pragma once

#include <filesystem>
#include <string>

namespace sim {

// Writes the text to a new file beside path and renames it over path, with path's permissions
// (0644 for a new file). False when it cannot be written whole (path is then left as it was, and
// nothing is left beside it).
bool ReplaceFileContents(const std::filesystem::path& path, const std::string& text);

}  // namespace sim
