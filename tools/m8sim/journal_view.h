// The journal decoded for the commands: each effect a line a person reads, or a JSON object.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cehost/journal.h"
#include "output.h"

namespace m8sim {

// One effect as a person reads it: what it touched and how ("registry  set ... = dword 5").
std::string DescribeEntry(const cehost::JournalEntry& entry);

// One effect as JSON: seq, kind, fields, registry data decoded as "value" with its "type_name",
// other bytes in hex, and the line DescribeEntry gives as "text". An entry whose bytes the
// journal cut gives them in hex with "byte_count" (how many the effect carried) and "bytes_cut".
nlohmann::json EntryJson(const cehost::JournalEntry& entry);

// Emits the entries, indented in human mode; each JSON record is {"type":"journal"} with the
// fields of EntryJson and those of context (the step or call it belongs to).
void EmitJournal(Output& out, const std::vector<cehost::JournalEntry>& entries,
                 const nlohmann::json& context);

}  // namespace m8sim
