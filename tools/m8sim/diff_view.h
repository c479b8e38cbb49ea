// A handset diff shown to a person (grouped by key and folder, values decoded as "m8sim reg"
// shows them) or as JSON records.
#pragma once

#include <nlohmann/json.hpp>

#include "handset_diff.h"
#include "output.h"

namespace m8sim {

// Emits one record a key and one a folder that changed: {"type":"key_change"} with "key",
// "change" and "values" (each with "name", "change", and "before"/"after" as "type_name" and
// "value"), and {"type":"folder_change"} with "folder", "change" and "entries" (each with
// "name", "path", "folder", "change", and "before"/"after" as "attributes", "size", "hash").
// Each record also carries the fields of context.
void EmitDiff(Output& out, const HandsetDiff& diff, const nlohmann::json& context);

// How much changed: "keys", "values", "folders" and "entries" counts, and "differences".
nlohmann::json DiffCounts(const HandsetDiff& diff);

// DiffCounts in words: "3 values in 2 keys, 4 files or subfolders in 2 folders" (a part with
// nothing in it left out), or "no differences".
std::string DiffCountsText(const HandsetDiff& diff);

}  // namespace m8sim
