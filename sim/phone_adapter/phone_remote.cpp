#include "sim/phone_adapter/phone_remote.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "cehost/programs.h"
#include "oem/phone_adapter.h"
#include "sim/phone_adapter/phone.h"

namespace sim {

namespace {

constexpr size_t kArgs = 7;
// An output the caller did not give.
constexpr uint32_t kNotGiven = 0xFFFFFFFF;
// The largest output a call may ask for: a text of 1024 characters, far more than any identifier.
constexpr uint32_t kMaxOut = 2048;

// A call as it travels: its entry, its arguments (unused ones 0) and the size of each output.
struct WireCall {
  uint32_t entry = 0;
  std::array<uint32_t, kArgs> args{};
  std::array<uint32_t, 2> out_sizes{kNotGiven, kNotGiven};
};

// The characters a text output of that many bytes holds.
DWORD Chars(uint32_t bytes) {
  return bytes / sizeof(WCHAR);
}

// Runs the entry on this process's phone with outputs of the sizes given.
LONG Invoke(AdapterEntry entry, const std::array<uint32_t, kArgs>& a, void* first,
            uint32_t first_size, void* second) {
  auto* count = static_cast<DWORD*>(first);
  auto* text = static_cast<WCHAR*>(first);
  switch (entry) {
    case AdapterEntry::kInitialize:
      return PAC_Initialize(a[0], a[1], a[2], a[3], a[4], a[5], a[6], static_cast<HPAC*>(first));
    case AdapterEntry::kDeinitialize:
      return PAC_Deinitialize(a[0]);
    case AdapterEntry::kSetGprsAttached:
      return PAC_SSetGPRSAttached(a[0], static_cast<BOOL>(a[1]), a[2]);
    case AdapterEntry::kGetTrafficCount:
      return PAC_SGetGprsTrafficCount(a[0], a[1], static_cast<PAC_GPRS_TRAFFIC_COUNT*>(first),
                                      static_cast<DWORD*>(second));
    case AdapterEntry::kSetTrafficCount:
      return PAC_SSetGprsTrafficCount(a[0], a[1], a[2], a[3], a[4]);
    case AdapterEntry::kGetRegistrationStatus:
      return PAC_SGetRegistrationStatus(a[0], a[1], count);
    case AdapterEntry::kGetImei:
      return PAL_SGetPhoneIMEI(text, Chars(first_size));
    case AdapterEntry::kGetModel:
      return PAL_SGetPhoneModel(text, Chars(first_size));
    case AdapterEntry::kGetImsi:
      return PAL_SGetPhoneIMSI(text, Chars(first_size));
    case AdapterEntry::kGetMissedCalls:
      return PAL_SGetMissedCallCnt(count);
    case AdapterEntry::kGetExistingCalls:
      return PAL_SGetExistedCallCnt(count);
    case AdapterEntry::kGetSessionStatus:
      return PAL_SGetSessionStatus(count);
    case AdapterEntry::kGetUnreadMessages:
      return PAL_SGetUnreadMsgCnt(count);
  }
  return -1;
}

// The size an output travels with: a text's is bounded, since only the identifier's length
// matters to the phone and a caller may claim more room than it has.
uint32_t TravelSize(const AdapterOut& out) {
  if (!out.data) return kNotGiven;
  return std::min(out.size, kMaxOut);
}

}  // namespace

std::optional<LONG> CallServerPhone(AdapterEntry entry, std::initializer_list<uint32_t> args,
                                    AdapterOut first, AdapterOut second) {
  if (CurrentPhone() || !cehost::HandsetServed()) return std::nullopt;
  WireCall call;
  call.entry = static_cast<uint32_t>(entry);
  std::copy_n(args.begin(), std::min(args.size(), kArgs), call.args.begin());
  call.out_sizes = {TravelSize(first), TravelSize(second)};
  std::vector<uint8_t> bytes(sizeof call);
  std::memcpy(bytes.data(), &call, sizeof call);
  // The outputs travel with what they hold: one the phone leaves unwritten comes back as it was.
  for (const AdapterOut* out : {&first, &second}) {
    if (!out->data) continue;
    const auto* held = static_cast<const uint8_t*>(out->data);
    bytes.insert(bytes.end(), held, held + TravelSize(*out));
  }
  auto answer = cehost::CallServedProgram(kPhoneProgram, bytes);
  if (!answer || answer->size() != sizeof(int32_t) + (bytes.size() - sizeof call))
    return std::nullopt;
  int32_t result = 0;
  std::memcpy(&result, answer->data(), sizeof result);
  size_t at = sizeof result;
  for (const AdapterOut* out : {&first, &second}) {
    if (!out->data) continue;
    uint32_t size = TravelSize(*out);
    if (size) std::memcpy(out->data, answer->data() + at, size);
    at += size;
  }
  return result;
}

std::optional<std::vector<uint8_t>> AnswerAdapterCall(const std::vector<uint8_t>& bytes) {
  WireCall call;
  if (bytes.size() < sizeof call) return std::nullopt;
  std::memcpy(&call, bytes.data(), sizeof call);
  if (call.entry > static_cast<uint32_t>(AdapterEntry::kGetUnreadMessages)) return std::nullopt;
  size_t at = sizeof call;
  std::array<std::vector<uint8_t>, 2> outs;
  for (size_t i = 0; i < outs.size(); ++i) {
    uint32_t size = call.out_sizes[i];
    if (size == kNotGiven) continue;
    if (size > kMaxOut || bytes.size() - at < size) return std::nullopt;
    // Room for the largest record an entry writes, whatever size the caller claimed.
    outs[i].assign(std::max<size_t>(size, sizeof(PAC_GPRS_TRAFFIC_COUNT)), 0);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), size, outs[i].begin());
    at += size;
  }
  if (at != bytes.size()) return std::nullopt;
  auto given = [&](size_t i) -> void* { return outs[i].empty() ? nullptr : outs[i].data(); };
  auto result =
      static_cast<int32_t>(Invoke(static_cast<AdapterEntry>(call.entry), call.args, given(0),
                                  outs[0].empty() ? 0 : call.out_sizes[0], given(1)));
  std::vector<uint8_t> answer(sizeof result);
  std::memcpy(answer.data(), &result, sizeof result);
  for (size_t i = 0; i < outs.size(); ++i) {
    if (outs[i].empty()) continue;
    answer.insert(answer.end(), outs[i].begin(), outs[i].begin() + call.out_sizes[i]);
  }
  return answer;
}

}  // namespace sim
