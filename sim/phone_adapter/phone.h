// The handset's telephony as the phone adapter reports it: scriptable by tests and tools. The
// phone adapter's functions answer from the phone installed on the current handset.
#pragma once

#include "sim/locked.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ce/types.h"
#include "cehost/programs.h"
#include "oem/phone_adapter.h"

namespace sim {

// The name the phone is installed under on a handset (and the phone adapter's handset.toml
// table).
inline constexpr char kPhoneProgram[] = "phone";

// What the phone adapter answers. Tests change it through Phone::Script().
struct PhoneScript {
  std::u16string imei = u"860123456789012";
  std::u16string model = u"M8";
  std::u16string imsi = u"460001234567890";
  DWORD missed_calls = 0;
  DWORD calls_in_progress = 0;
  DWORD unread_messages = 0;
  DWORD session_status = 2;
  DWORD registration_status = 1;
  // The adapter's GPRS traffic counters and attach state when the handset starts; the phone's
  // live state (PhoneLive) takes over from them at their first change.
  DWORD traffic_sent = 0;
  DWORD traffic_received = 0;
  bool gprs_attached = false;

  // Failures to play.
  bool session_start_fails = false;
  bool detach_refused = false;
  bool traffic_read_fails = false;
  bool imei_fails = false;
  bool model_fails = false;
  bool imsi_fails = false;
  bool session_status_fails = false;
  // Calls that succeed without writing their output ("PAL_SGetMissedCallCnt"), by name.
  std::set<std::string> unwritten_outputs;
};

// What the adapter changes as it runs: its GPRS traffic counters since they were last set to
// zero, and whether GPRS is attached.
struct PhoneLive {
  DWORD traffic_sent = 0;
  DWORD traffic_received = 0;
  bool gprs_attached = false;
  bool operator==(const PhoneLive&) const = default;
};

// Where the phone keeps its live state: a store that every process on the handset shares. Read
// gives the state now, or the start values when nothing was changed yet; Change changes it with
// no other change lost.
struct PhoneLiveStore {
  std::function<PhoneLive(const PhoneLive& start)> read;
  std::function<void(const PhoneLive& start, const std::function<void(PhoneLive&)>& change)> change;
};

class Phone : public cehost::ProgramState {
 public:
  // The script, to read or change under the returned lock's protection.
  Locked<PhoneScript> Script() { return {std::unique_lock(mutex_), script_}; }

  // Opens a session; false when the script makes the start fail.
  bool OpenSession(HPAC* session);
  // Closes a session; false for a session that is not open.
  bool CloseSession(HPAC session);
  // True while the session is open.
  bool SessionOpen(HPAC session);
  // Number of sessions open now.
  size_t OpenSessions();
  // Answers an adapter call that a program attached to the handset's server made.
  std::optional<std::vector<uint8_t>> Answer(const std::vector<uint8_t>& call) override;

  // Keeps the live state in the store from now on; without one it is kept in this object.
  void SetLiveStore(PhoneLiveStore store);
  // The live state now: the store's, or the script's start values before the first change.
  PhoneLive Live();
  // Changes the live state; no change made meanwhile by another process is lost.
  void ChangeLive(const std::function<void(PhoneLive&)>& change);

 private:
  // The script's start values of the live state.
  PhoneLive Start();

  std::mutex mutex_;
  PhoneScript script_;
  PhoneLiveStore store_;
  std::optional<PhoneLive> live_;
  std::set<HPAC> sessions_;
  HPAC next_session_ = 0x5A000000;
};

// The phone installed on the current handset, or null.
std::shared_ptr<Phone> CurrentPhone();

}  // namespace sim
