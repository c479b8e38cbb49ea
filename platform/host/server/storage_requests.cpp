// The server's answer to a program asking after the handset's storage limit: one limit for every
// program, kept here.
#include "files/file_system.h"
#include "files/storage_limit.h"
#include "handset/handset_state.h"
#include "server/request_call.h"

namespace cehost {

bool StorageRequest(Call& call) {
  uint8_t ask = call.in.U8();
  uint64_t a = call.in.U64();
  uint64_t b = call.in.U64();
  if (!call.in.End() || ask > static_cast<uint8_t>(StorageAsk::kSet)) return false;
  HandsetState& state = Current();
  if (!state.files) {
    call.out.U8(0).U64(0);
    return true;
  }
  std::optional<uint64_t> result =
      state.files->storage().Answer(static_cast<StorageAsk>(ask), a, b);
  call.out.U8(result ? 1 : 0).U64(result.value_or(0));
  return true;
}

}  // namespace cehost
