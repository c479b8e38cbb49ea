// The free space of a handset's storage, when a limit is set: bytes of file contents that may
// still be added.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

namespace cehost {

class StorageLimit {
 public:
  // Sets the bytes that may still be added; none: unlimited.
  void Set(std::optional<uint64_t> bytes);
  // The bytes that may still be added; none when unlimited.
  std::optional<uint64_t> Free() const;
  // False when a limit is set and nothing is free.
  bool HasRoom() const;
  // Takes the room for a file of size bytes to reach end bytes (growth beyond size only), as much
  // as is free; returns the end it may reach, between size and end (end itself when unlimited or
  // when end <= size).
  uint64_t Grow(uint64_t size, uint64_t end);
  // Takes bytes when all of them are free; false, taking nothing, when they are not.
  bool TakeAll(uint64_t bytes);
  // Gives bytes back to the free space (a file deleted, truncated or not grown after all).
  void GiveBack(uint64_t bytes);

 private:
  mutable std::mutex mutex_;
  std::optional<uint64_t> free_;
};

}  // namespace cehost
