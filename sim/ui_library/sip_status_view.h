// The input panel and the screen areas around it as a person and a tool read them.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "sim/ui_library/ui_library_program.h"

namespace sim {

struct SipView {
  // A JSON record of type "sip".
  nlohmann::json record;
  // The same as lines of text.
  std::string text;
};

// The panel the library keeps, its screen areas, and whether the library is installed.
SipView DescribeSip(UiLibrary& library);

}  // namespace sim
