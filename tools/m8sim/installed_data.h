// Where an installed m8sim finds the default handset's data.
#pragma once

namespace m8sim {

// When M8_DEFAULT_HANDSET_DATA is not set and the program runs from an installation (the data
// lies at M8SIM_INSTALLED_DATA, relative to the program's folder), points the variable there.
void UseInstalledHandsetData();

}  // namespace m8sim
