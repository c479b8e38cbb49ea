#include "handset/program_table.h"

#include "handset/handset_state.h"

namespace cehost {

void ProgramTable::Install(std::string_view program, std::shared_ptr<ProgramState> state) {
  std::lock_guard lock(mutex_);
  if (state)
    states_.insert_or_assign(std::string(program), std::move(state));
  else if (auto found = states_.find(program); found != states_.end())
    states_.erase(found);
}

std::shared_ptr<ProgramState> ProgramTable::Find(std::string_view program) const {
  std::lock_guard lock(mutex_);
  auto found = states_.find(program);
  return found == states_.end() ? nullptr : found->second;
}

void ProgramTable::UnmountAll() const {
  // The hooks run without the lock: a program's Unmount may look its own state up.
  std::vector<std::shared_ptr<ProgramState>> states;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [name, state] : states_) states.push_back(state);
  }
  for (const auto& state : states) state->Unmount();
}

void InstallProgramState(std::string_view program, std::shared_ptr<ProgramState> state) {
  Current().programs.Install(program, std::move(state));
}

std::shared_ptr<ProgramState> FindProgramState(std::string_view program) {
  return Current().programs.Find(program);
}

}  // namespace cehost
