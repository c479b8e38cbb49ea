// New files made beside a file that is about to be replaced.
#pragma once

#include <string>

#include "ce/types.h"

namespace ini {

// Creates a new, empty file in the folder of path, opened for writing, under a name that no
// file had before (an existing file is never opened or changed) and that keeps the whole path
// within MAX_PATH; its path goes to *name. INVALID_HANDLE_VALUE when no such file can be made.
HANDLE CreateFileBeside(LPCWSTR path, std::u16string* name);

}  // namespace ini
