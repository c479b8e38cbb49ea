// The current handset's storage space, which a test or the handset's set-up may run short.
//
// While a limit is set, it is the number of bytes of file contents that may still be added to
// the handset's files; nothing else (names, folders, attributes) takes space. A write that would
// grow a file past the limit writes the bytes that fit, then fails with ERROR_DISK_FULL (112),
// reporting the bytes written, as WriteFile does on a full volume; the C run-time streams, which
// write through WriteFile, fail the same way. A new file cannot be made while nothing is free
// (ERROR_DISK_FULL), CopyFileW fails with ERROR_DISK_FULL without touching the target when the
// copy does not fit, and SetEndOfFile cannot grow a file past the limit. Deleting, truncating or
// replacing a file gives its bytes back. A handset that runs in the process keeps its limit
// itself: mounted again, it starts unlimited. A handset attached to its server has the server's
// one limit, shared by every program of the handset; a program that found the storage unlimited
// does not ask again until the server is started anew.
#pragma once

#include <cstdint>
#include <optional>

namespace cehost {

// Limits the current handset's storage to bytes more bytes of file contents; none lifts the
// limit (the default).
void SetFreeStorage(std::optional<uint64_t> bytes);

// The bytes of file contents that may still be added to the current handset's files; none when
// unlimited.
std::optional<uint64_t> FreeStorage();

}  // namespace cehost
