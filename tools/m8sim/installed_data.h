// Where an installed m8sim finds the default handset's data and its panel's page.
#pragma once

namespace m8sim {

// When the program runs from an installation, points M8_DEFAULT_HANDSET_DATA at the default
// handset's data (M8SIM_INSTALLED_DATA, relative to the program's folder) and M8SIM_PANEL_FILES
// at the panel's page (M8SIM_INSTALLED_PANEL), each unless it is set already.
void UseInstalledHandsetData();

}  // namespace m8sim
