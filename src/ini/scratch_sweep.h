// Removing the scratch files of writers that died before their file took an INI file's name.
#pragma once

#include <chrono>
#include <string_view>

namespace ini {

// A scratch file whose last write is at least this much older than a new one is no longer being
// written: a writer writes its scratch file whole right after making it.
constexpr std::chrono::seconds kAbandonedAfter{5};

// own is the path of a scratch file that the caller has just made with CreateFileBeside and
// still holds. When this process has not swept own's folder within kSweepInterval, removes from
// that folder, and only there, every file that is provably a scratch file a writer abandoned:
// its name of exactly the full form (IsScratchName), no attribute beyond ARCHIVE, open by nobody,
// empty or beginning with the INI mark, and last written at least kAbandonedAfter before own was
// made. Anything else is left as it is; a failure only leaves files in place.
void SweepBeside(std::u16string_view own);

}  // namespace ini
