// Steering a running handset from a tool: what a person does to the hardware (a device's state
// changed) or has the shell announce, asked as one JSON request. The handset server answers
// these for the tools; a tool with no server runs them on its own handset alike.
#pragma once

#include <nlohmann/json.hpp>

#include "sim/handset.h"

namespace sim {

// Answers one request on the handset:
//   {"op": "device.set", "device": "ACC0:", "fields": [["x", "-5"], ...]}
//     -> {"ok": true, "device", "summary", "entries"}
//   {"op": "shell.event", "event": "ClickMKey"}
//     -> {"ok": true, "event", "message", "windows", "entries"}
//   {"op": "journal.file"} -> {"ok": true, "attached"}: follows the home's journal file while a
//     panel serves the home, and stops when none does.
// "entries" are the journal entries the request caused, as JSON objects. A request that cannot
// be done answers {"ok": false, "error", "usage"}: usage tells a request asked wrongly (an
// unknown device, field or event) from one the handset cannot do.
nlohmann::json AnswerControl(Handset& handset, const nlohmann::json& request);

}  // namespace sim
