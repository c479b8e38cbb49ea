#include "files/storage_limit.h"

#include <algorithm>

#include "files/file_system.h"
#include "handset/handset_state.h"
#include "server/server_link.h"

namespace cehost {

void StorageLimit::Set(std::optional<uint64_t> bytes) {
  Ask(StorageAsk::kSet, bytes ? 1 : 0, bytes.value_or(0));
}

std::optional<uint64_t> StorageLimit::Free() {
  return Ask(StorageAsk::kFree, 0, 0);
}

bool StorageLimit::HasRoom() {
  std::optional<uint64_t> free = Free();
  return !free || *free > 0;
}

uint64_t StorageLimit::Grow(uint64_t size, uint64_t end) {
  if (end <= size) return end;
  return Ask(StorageAsk::kGrow, size, end).value_or(end);
}

bool StorageLimit::TakeAll(uint64_t bytes) {
  return Ask(StorageAsk::kTakeAll, bytes, 0).value_or(1) != 0;
}

void StorageLimit::GiveBack(uint64_t bytes) {
  Ask(StorageAsk::kGiveBack, bytes, 0);
}

void StorageLimit::KeepIn(std::shared_ptr<ServerLink> server) {
  server_ = std::move(server);
}

std::optional<uint64_t> StorageLimit::Ask(StorageAsk ask, uint64_t a, uint64_t b) {
  if (server_) return AskServer(ask, a, b);
  return Answer(ask, a, b);
}

std::optional<uint64_t> StorageLimit::Answer(StorageAsk ask, uint64_t a, uint64_t b) {
  std::lock_guard lock(mutex_);
  if (ask == StorageAsk::kSet) {
    free_ = a ? std::optional<uint64_t>(b) : std::nullopt;
    return free_;
  }
  if (!free_) return std::nullopt;
  switch (ask) {
    case StorageAsk::kGrow: {
      if (b <= a) return b;
      uint64_t taken = std::min(b - a, *free_);
      *free_ -= taken;
      return a + taken;
    }
    case StorageAsk::kTakeAll:
      if (a > *free_) return 0;
      *free_ -= a;
      return 1;
    case StorageAsk::kGiveBack:
      *free_ += a;
      return 0;
    default:
      return *free_;
  }
}

std::optional<uint64_t> StorageLimit::AskServer(StorageAsk ask, uint64_t a, uint64_t b) const {
  uint64_t boot = server_->boot();
  if (ask != StorageAsk::kSet && boot != 0 && unlimited_boot_.load() == boot) return std::nullopt;
  wire::Writer request = ServerRequest(ServerOp::kStorage);
  request.U8(static_cast<uint8_t>(ask)).U64(a).U64(b);
  auto reply = server_->Call(request);
  if (!reply) return std::nullopt;
  bool limited = reply->fields.U8() != 0;
  uint64_t result = reply->fields.U64();
  if (!reply->fields.End()) return std::nullopt;
  if (!limited) {
    if (ask != StorageAsk::kSet) unlimited_boot_.store(reply->boot);
    return std::nullopt;
  }
  unlimited_boot_.store(0);
  return result;
}

void SetFreeStorage(std::optional<uint64_t> bytes) {
  HandsetState& state = Current();
  if (state.files) state.files->storage().Set(bytes);
}

std::optional<uint64_t> FreeStorage() {
  HandsetState& state = Current();
  return state.files ? state.files->storage().Free() : std::nullopt;
}

}  // namespace cehost
