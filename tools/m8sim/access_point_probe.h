// The access point the handset's operator profile file selects, as the demo shows it.
#pragma once

#include <string>

#include "ce/types.h"
#include "sim/handset.h"

namespace m8sim {

struct SelectedAccessPoint {
  // The CE path of the operator's profile file ("\Windows\46000.ini").
  std::u16string file;
  // The selected section's name; empty when no section is selected.
  std::u16string name;
  // IniReadIntEx's result for the selected section, or for the last one asked; 0 when none was.
  INT result = 0;
};

// Asks the library (IniReadIntEx) for "IsSelect" in each section of the profile file of the SIM's
// operator ("\Windows\" and the IMSI's first five digits, ".ini"), in file order, and gives the
// first that is 1. The section names are read from the handset's file directly.
SelectedAccessPoint FindSelectedAccessPoint(sim::Handset& handset, const std::u16string& imsi);

}  // namespace m8sim
