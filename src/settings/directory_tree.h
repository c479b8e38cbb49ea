// Removing a folder with everything below it.
#pragma once

#include "ce/types.h"

// Removes the folder and everything in it. 1 when the path is not a plain folder (attributes
// exactly FILE_ATTRIBUTE_DIRECTORY: nothing is done) or when the folder was removed; 0 when the
// folder itself could not be removed (an entry in it could not be deleted, or its path, or an
// entry's, does not fit MAX_PATH characters: such an entry is left alone).
int DeleteDirectoryTree(LPCWSTR path);
