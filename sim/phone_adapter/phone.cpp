#include "sim/phone_adapter/phone.h"

#include "sim/phone_adapter/phone_remote.h"

namespace sim {

bool Phone::OpenSession(HPAC* session) {
  std::lock_guard lock(mutex_);
  if (script_.session_start_fails) return false;
  *session = ++next_session_;
  sessions_.insert(*session);
  return true;
}

bool Phone::CloseSession(HPAC session) {
  std::lock_guard lock(mutex_);
  return sessions_.erase(session) == 1;
}

bool Phone::SessionOpen(HPAC session) {
  std::lock_guard lock(mutex_);
  return sessions_.count(session) == 1;
}

size_t Phone::OpenSessions() {
  std::lock_guard lock(mutex_);
  return sessions_.size();
}

std::optional<std::vector<uint8_t>> Phone::Answer(const std::vector<uint8_t>& call) {
  return AnswerAdapterCall(call);
}

void Phone::SetLiveStore(PhoneLiveStore store) {
  std::lock_guard lock(mutex_);
  store_ = std::move(store);
}

PhoneLive Phone::Start() {
  std::lock_guard lock(mutex_);
  return {script_.traffic_sent, script_.traffic_received, script_.gprs_attached};
}

PhoneLive Phone::Live() {
  PhoneLive start = Start();
  std::unique_lock lock(mutex_);
  if (!store_.read) return live_.value_or(start);
  auto read = store_.read;
  lock.unlock();
  return read(start);
}

void Phone::ChangeLive(const std::function<void(PhoneLive&)>& change) {
  PhoneLive start = Start();
  std::unique_lock lock(mutex_);
  if (!store_.change) {
    if (!live_) live_ = start;
    change(*live_);
    return;
  }
  auto read = store_.read;
  auto write = store_.change;
  lock.unlock();
  // A change that leaves the state as it is now writes nothing: it takes effect at this read.
  PhoneLive now = read(start);
  PhoneLive changed = now;
  change(changed);
  if (changed != now) write(start, change);
}

std::shared_ptr<Phone> CurrentPhone() {
  return cehost::CurrentProgramState<Phone>(kPhoneProgram);
}

}  // namespace sim
