// An effect an attached program had itself (a registry or file write, a trace), as it travels to
// the handset server, which keeps the handset's one journal.
#pragma once

#include "cehost/journal.h"
#include "server/wire.h"

namespace cehost {

// The most bytes of an effect that travel: the journal keeps 4 KiB of each, and the byte count
// says how many there were.
constexpr uint32_t kMaxNoticeBytes = 1u << 16;

// The notice of the entry: {u16 op, utf8 kind, u32 n, n x {utf8 name, utf8 value}, bytes (at most
// kMaxNoticeBytes), u64 byte count}.
wire::Writer JournalNotice(const JournalEntry& entry);

// Reads a notice's fields (after its op) into *entry; false for a malformed one.
bool ReadJournalNotice(wire::Reader& in, JournalEntry* entry);

}  // namespace cehost
