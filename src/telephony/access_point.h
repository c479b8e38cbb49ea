// Access point profiles: sections of the operator's profile file (through its working copy)
// and of the user's profile file, one section per access point.
#pragma once

#include <cstddef>

#include "ce/types.h"

// One access point. The caller zero-fills it; a field whose key is missing keeps its zero.
struct AccessPointContent {
  WCHAR wszAccessName[255];
  WCHAR wszApn[255];
  WCHAR wszUserName[255];
  WCHAR wszPassword[255];
  WCHAR wszAgency[255];
  INT nPort;
  WCHAR wszMmsc[256];
};
static_assert(offsetof(AccessPointContent, nPort) == 2552);
static_assert(sizeof(AccessPointContent) == 3068);

// Fills the 260-character buffer with the path of the working copy of the operator's profile
// file, making or refreshing the copy when it is missing or empty; an empty string when the SIM
// has no identifier or the handset no profile file for it.
void GetDefConIniPath(WCHAR* path);

// True with the name of the file's first section whose "IsSelect" is 1 (in file order); false
// when there is none or the file cannot be read. Names over 254 characters are not access points.
bool FindSelectedAccessName(WCHAR* name, LPCWSTR path);

// True with the selected access point's name, the user profile file's selection winning over the
// working copy's; false when neither file selects one.
bool GetDefaultAccessName(WCHAR* name);

// True with the record filled from the section named wszAccessName, the working copy's section
// winning over the user profile file's; false when the name is empty, no file has the section, or
// a value is longer than its field (nothing is then filled in).
bool ReadAccessPointContent(AccessPointContent* content);
