// Steering the handset (a device's state, a shell event): on the home's running handset server
// when one runs, so that every program attached to it hears of it; else on the command's own
// handset.
#pragma once

#include <nlohmann/json.hpp>
#include <vector>

#include "cehost/journal.h"
#include "context.h"

namespace m8sim {

// The answer to a control request (see sim/control/handset_control.h); throws UsageError or
// Failure with the handset's message when it cannot be done.
nlohmann::json Steer(Context& ctx, const nlohmann::json& request);

// The journal entries an answer gives.
std::vector<cehost::JournalEntry> AnswerEntries(const nlohmann::json& answer);

// The running server's journal entries after number *seq, once what this thread did is in it
// and, when idle, once the shell has handled what was written to it; *seq moves past them. With
// *seq at its largest value, it gives none and only learns the number of the last entry. Throws
// Failure when the server has gone.
std::vector<cehost::JournalEntry> ServedEntriesSince(Context& ctx, uint64_t* seq, bool idle);

}  // namespace m8sim
