// The count of writes of a home's state file, kept in the first eight bytes of its state.lock:
// every write raises it, so a process learns whether the file changed without reading it. The
// count is read through a shared mapping of the lock file, which costs no system call beyond
// the look at the file's identity.
#pragma once

#include <cstdint>
#include <filesystem>

namespace sim {

// The count of writes of the home's state file; 0 while there is none.
uint64_t StateWrites(const std::filesystem::path& home);

// Raises the count; called by the holder of the state lock, with the descriptor it holds the
// lock through.
void CountStateWrite(const std::filesystem::path& home, int lock_fd);

}  // namespace sim
