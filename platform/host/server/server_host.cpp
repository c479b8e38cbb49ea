#include "server/server_host.h"

#include <unistd.h>

#include <nlohmann/json.hpp>
#include <random>

#include "ce/kernel.h"
#include "cehost/windows.h"
#include "handset/handset_state.h"
#include "kernel/handle_table.h"

namespace cehost {

namespace {

uint64_t NewBoot() {
  std::random_device random;
  uint64_t boot = (uint64_t{random()} << 32) | random();
  return boot ? boot : 1;
}

}  // namespace

void ServedProgram::Own(uint32_t handle) {
  std::lock_guard lock(mutex_);
  handles_.insert(handle);
}

bool ServedProgram::Owns(uint32_t handle) const {
  std::lock_guard lock(mutex_);
  return handles_.count(handle) != 0;
}

bool ServedProgram::Disown(uint32_t handle) {
  std::lock_guard lock(mutex_);
  return handles_.erase(handle) != 0;
}

std::vector<uint32_t> ServedProgram::TakeAll() {
  std::lock_guard lock(mutex_);
  std::vector<uint32_t> all(handles_.begin(), handles_.end());
  handles_.clear();
  return all;
}

void ServedProgram::OwnWindow(uint32_t hwnd) {
  std::lock_guard lock(mutex_);
  windows_.insert(hwnd);
}

bool ServedProgram::DisownWindow(uint32_t hwnd) {
  std::lock_guard lock(mutex_);
  return windows_.erase(hwnd) != 0;
}

size_t ServedProgram::Windows() const {
  std::lock_guard lock(mutex_);
  return windows_.size();
}

size_t ServedProgram::Count() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

ServerHost::ServerHost(const ServeOptions& options)
    : options_(options),
      boot_(NewBoot()),
      started_(std::chrono::steady_clock::now()),
      idle_since_(started_) {}

std::shared_ptr<ServedProgram> ServerHost::Attach(int pid, const std::string& name) {
  std::lock_guard lock(mutex_);
  auto& program = programs_[pid];
  if (!program) program = std::make_shared<ServedProgram>(pid, name);
  ++program->connections_;
  return program;
}

void ServerHost::Detach(const std::shared_ptr<ServedProgram>& program) {
  {
    std::lock_guard lock(mutex_);
    if (--program->connections_ > 0) return;
    auto found = programs_.find(program->pid());
    if (found != programs_.end() && found->second == program) programs_.erase(found);
    if (programs_.empty()) idle_since_ = std::chrono::steady_clock::now();
  }
  Release(*program);
}

void ServerHost::Release(ServedProgram& program) {
  for (uint32_t handle : program.TakeAll()) CloseHandle(HandleTable::ToHandle<HANDLE>(handle));
  std::set<uint32_t> windows;
  {
    std::lock_guard lock(program.mutex_);
    windows.swap(program.windows_);
  }
  for (uint32_t hwnd : windows) DestroyHostWindow(HandleTable::ToHandle<HWND>(hwnd));
}

std::string ServerHost::Control(const std::string& request) {
  if (!options_.control) return R"({"ok":false,"error":"the handset server takes no control"})";
  // A control that fails does not take the server with it.
  try {
    return options_.control(request);
  } catch (const std::exception& e) {
    nlohmann::json answer = {{"ok", false}, {"error", e.what()}};
    return answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  }
}

void ServerHost::ReleaseAll() {
  std::vector<std::shared_ptr<ServedProgram>> programs;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [pid, program] : programs_) programs.push_back(program);
  }
  for (const auto& program : programs) Release(*program);
}

ServerInfo ServerHost::Info() const {
  ServerInfo info;
  info.pid = static_cast<int>(getpid());
  info.uptime = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started_);
  info.persistent = options_.persistent;
  info.open_handles = static_cast<uint32_t>(Current().handles.Count());
  std::lock_guard lock(mutex_);
  for (const auto& [pid, program] : programs_)
    info.programs.push_back({pid, program->name(), static_cast<uint32_t>(program->Count())});
  return info;
}

std::optional<std::chrono::steady_clock::time_point> ServerHost::IdleSince() const {
  std::lock_guard lock(mutex_);
  if (!programs_.empty()) return std::nullopt;
  return idle_since_;
}

}  // namespace cehost
