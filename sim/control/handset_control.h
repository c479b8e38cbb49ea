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
//   {"op": "device.list"} -> {"ok": true, "devices": [{"device", "description", "present",
//     "summary"}, ...]}
//   {"op": "device.show", "device": "usb"} -> {"ok": true, "device", "description", "present",
//     "record" (its state, faults and open handles), "fields" (the names device.set takes)}
//   {"op": "shell.event", "event": "ClickMKey"}
//     -> {"ok": true, "event", "message", "windows", "entries"}
//   {"op": "shell.status"} -> {"ok": true, "record", "text"}: what the shell holds, once it has
//     handled what is queued, as a JSON record and as lines for a person
//   {"op": "shell.run", "run": "start"} -> {"ok": true, "before", "run", "entries"}: starts or
//     stops the shell's reading of its queues
//   {"op": "sip.status"} -> {"ok": true, "record", "text"}: the input panel and the screen areas
//   {"op": "journal.file"} -> {"ok": true, "attached"}: follows the home's journal file while a
//     panel serves the home, and stops when none does.
//   {"op": "journal.since", "seq": N, "idle": true} -> {"ok": true, "last", "more", "entries"}:
//     the entries after number N (as many as one answer carries; "more" says some were left),
//     once the shell has handled what was written to it before when "idle"; "last" is the
//     number of the last entry, from which the next request can go on.
// "entries" are the journal entries the request caused, each as the text of a JSON object (an
// object's fields keep their order in its text). A request that cannot
// be done answers {"ok": false, "error", "usage"}: usage tells a request asked wrongly (an
// unknown device, field or event) from one the handset cannot do.
nlohmann::json AnswerControl(Handset& handset, const nlohmann::json& request);

}  // namespace sim
