// Replacing a file of a handset home whole: a reader sees the old contents or the new ones,
// never a file half-written.
#pragma once

#include <filesystem>
#include <string>

namespace sim {

// How the new file takes the old one's place.
enum class Replacement {
  // Renamed over it: file systems that guard a replaced file against a crash (ext4) write the
  // new contents out first, so a crash of the machine leaves the old contents or the new.
  kRename,
  // Exchanged with it, the old file then removed: nothing is written out first, which is several
  // times quicker, and a crash of the machine may leave the file empty. For a file that stands
  // for memory, which a crash clears as a reboot would.
  kExchange,
};

// Writes the text to a new file beside path and puts it in path's place, with path's
// permissions (0644 for a new file). A file once in place is never written again, so a reader
// that opened it reads it whole whatever comes after. False when it cannot be written whole
// (path is then left as it was, and nothing is left beside it).
bool ReplaceFileContents(const std::filesystem::path& path, const std::string& text,
                         Replacement replacement = Replacement::kRename);

}  // namespace sim
