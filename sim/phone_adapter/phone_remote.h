// The phone adapter's calls across the handset server: the library, loaded in a program attached
// to the server, has the phone that runs in the server answer them, so that every program sees
// one phone with its sessions, counters and journal.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

#include "ce/types.h"

namespace sim {

// The adapter's functions, as a call names them.
enum class AdapterEntry : uint32_t {
  kInitialize,
  kDeinitialize,
  kSetGprsAttached,
  kGetTrafficCount,
  kSetTrafficCount,
  kGetRegistrationStatus,
  kGetImei,
  kGetModel,
  kGetImsi,
  kGetMissedCalls,
  kGetExistingCalls,
  kGetSessionStatus,
  kGetUnreadMessages,
};

// An output of a call: where the caller wants it and its size in bytes; null when none given.
struct AdapterOut {
  void* data = nullptr;
  uint32_t size = 0;
};

// The call's result as the server's phone answered it, its outputs written; nullopt when this
// process runs a phone of its own, or when the handset has no server to ask.
std::optional<LONG> CallServerPhone(AdapterEntry entry, std::initializer_list<uint32_t> args,
                                    AdapterOut first = {}, AdapterOut second = {});

// Runs a call an attached program made on this process's phone and returns its answer; nullopt
// for a malformed call.
std::optional<std::vector<uint8_t>> AnswerAdapterCall(const std::vector<uint8_t>& call);

}  // namespace sim
