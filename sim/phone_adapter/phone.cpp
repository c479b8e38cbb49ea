#include "sim/phone_adapter/phone.h"

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

std::shared_ptr<Phone> CurrentPhone() {
  return cehost::CurrentProgramState<Phone>(kPhoneProgram);
}

}  // namespace sim
