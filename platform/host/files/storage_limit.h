// The free space of a handset's storage, when a limit is set: bytes of file contents that may
// still be added.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace cehost {

class ServerLink;

// What a request about the storage asks of the limit the handset's server keeps.
enum class StorageAsk : uint8_t { kFree = 0, kGrow = 1, kTakeAll = 2, kGiveBack = 3, kSet = 4 };

class StorageLimit {
 public:
  // Sets the bytes that may still be added; none: unlimited.
  void Set(std::optional<uint64_t> bytes);
  // The bytes that may still be added; none when unlimited.
  std::optional<uint64_t> Free();
  // False when a limit is set and nothing is free.
  bool HasRoom();
  // Takes the room for a file of size bytes to reach end bytes (growth beyond size only), as much
  // as is free; returns the end it may reach, between size and end (end itself when unlimited or
  // when end <= size).
  uint64_t Grow(uint64_t size, uint64_t end);
  // Takes bytes when all of them are free; false, taking nothing, when they are not.
  bool TakeAll(uint64_t bytes);
  // Gives bytes back to the free space (a file deleted, truncated or not grown after all).
  void GiveBack(uint64_t bytes);
  // Keeps the limit in the handset's server from now on, one for every program of the handset.
  // A server that keeps none (or cannot be reached) leaves the storage unlimited.
  void KeepIn(std::shared_ptr<ServerLink> server);

  // Answers a request about the limit this object keeps: for kGrow a and b are the size and the
  // end, for kTakeAll and kGiveBack a is the bytes, for kSet a says whether b is a limit. The
  // result is the free bytes, the end reached, or whether all were taken (1 or 0); nullopt when
  // the storage is unlimited (after a kSet), which changes nothing.
  std::optional<uint64_t> Answer(StorageAsk ask, uint64_t a, uint64_t b);

 private:
  // Asks the limit kept here, or the server's when it keeps it.
  std::optional<uint64_t> Ask(StorageAsk ask, uint64_t a, uint64_t b);
  // Asks the server: the result, or nullopt when the server keeps no limit (or cannot be asked).
  std::optional<uint64_t> AskServer(StorageAsk ask, uint64_t a = 0, uint64_t b = 0) const;

  mutable std::mutex mutex_;
  std::optional<uint64_t> free_;
  std::shared_ptr<ServerLink> server_;
  // The boot of a server that said it keeps no limit: it is not asked again (a server's limit is
  // set as it starts).
  mutable std::atomic<uint64_t> unlimited_boot_{0};
};

}  // namespace cehost
