// New files made beside a file that is about to be replaced, and how their names are known.
#pragma once

#include <string>
#include <string_view>

#include "ce/types.h"

namespace ini {

// The length of a scratch file's name in its full form: "~", nine digits, ".tmp".
constexpr size_t kScratchNameLength = 14;

// Creates a new, empty file in the folder of path, opened for writing and shared with nobody,
// under a name that no file had before (an existing file is never opened or changed), that no
// other program can foresee, and that keeps the whole path within MAX_PATH; its path goes to
// *name. Where the folder leaves the room, the name has the full form IsScratchName knows.
// INVALID_HANDLE_VALUE when no such file can be made.
HANDLE CreateFileBeside(LPCWSTR path, std::u16string* name);

// True when the file name (without its folder) has exactly the full form of the names
// CreateFileBeside gives: "~", nine digits of 0-9 and A-V (upper case), ".tmp" (lower case).
bool IsScratchName(std::u16string_view name);

}  // namespace ini
