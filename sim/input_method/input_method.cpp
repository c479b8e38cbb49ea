#include "sim/input_method/input_method.h"

#include <chrono>
#include <vector>

#include "ce/errors.h"
#include "ce/kernel.h"
#include "ce/registry.h"
#include "cehost/handset.h"
#include "cehost/journal.h"
#include "cehost/text.h"
#include "sim/config_table.h"

namespace sim {

namespace {

// The key's string values as "name=value", in the registry's order; nothing when it is missing.
std::optional<std::string> ReadOptions() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInputMethodKey, 0, 0, &key) != ERROR_SUCCESS)
    return std::nullopt;
  std::string options;
  for (DWORD index = 0;; ++index) {
    char16_t name[256];
    DWORD name_size = 256;
    DWORD type = 0;
    uint8_t data[512];
    DWORD data_size = sizeof data;
    LONG rc = RegEnumValueW(key, index, name, &name_size, nullptr, &type, data, &data_size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
    std::u16string text(reinterpret_cast<const char16_t*>(data), data_size / sizeof(char16_t));
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    options += (options.empty() ? "" : ", ") +
               cehost::ToUtf8(std::u16string_view(name, name_size)) + "=" + cehost::ToUtf8(text);
  }
  RegCloseKey(key);
  return options;
}

}  // namespace

InputMethod::~InputMethod() {
  // The thread ends with its handset's mount; one still running here was never let go of.
  Stop();
}

void InputMethod::Configure(const ConfigTable& table) {
  table.OnlyKeys({"present", "running"});
  table.Read("present", &present_);
  table.Read("running", &start_running_);
}

void InputMethod::Install() {
  {
    std::lock_guard lock(mutex_);
    installed_ = present_;
    reloads_ = 0;
    options_.clear();
  }
  if (!present_) return;
  cehost::InstallProgramState(kInputMethodProgram,
                              std::static_pointer_cast<InputMethod>(shared_from_this()));
  if (start_running_) Start();
}

void InputMethod::Unmount() {
  Stop();
  std::lock_guard lock(mutex_);
  installed_ = false;
}

bool InputMethod::Start() {
  std::lock_guard lock(mutex_);
  if (!installed_) return false;
  if (running_) return true;
  // The event as the input method creates it at start: auto-reset, not signalled.
  setting_ = CreateEventW(nullptr, FALSE, FALSE, kInputMethodEventName);
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!setting_ || !stop_) {
    if (setting_) CloseHandle(setting_);
    if (stop_) CloseHandle(stop_);
    setting_ = stop_ = nullptr;
    return false;
  }
  running_ = true;
  thread_ = std::thread([this, setting = setting_, stop = stop_] { Run(setting, stop); });
  return true;
}

void InputMethod::Stop() {
  HANDLE setting = nullptr;
  HANDLE stop = nullptr;
  std::thread thread;
  {
    std::lock_guard lock(mutex_);
    if (!running_) return;
    running_ = false;
    setting = std::exchange(setting_, nullptr);
    stop = std::exchange(stop_, nullptr);
    thread = std::move(thread_);
    changed_.notify_all();
  }
  SetEvent(stop);
  if (thread.joinable()) thread.join();
  CloseHandle(setting);
  CloseHandle(stop);
}

bool InputMethod::running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

uint64_t InputMethod::Reloads() const {
  std::lock_guard lock(mutex_);
  return reloads_;
}

bool InputMethod::WaitReloads(uint64_t count, DWORD timeout_ms) {
  std::unique_lock lock(mutex_);
  auto done = [&] { return reloads_ >= count || !running_; };
  if (timeout_ms == INFINITE)
    changed_.wait(lock, done);
  else
    changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), done);
  return reloads_ >= count;
}

std::string InputMethod::Options() const {
  std::lock_guard lock(mutex_);
  return options_;
}

void InputMethod::Run(HANDLE setting, HANDLE stop) {
  const HANDLE handles[] = {stop, setting};
  for (;;) {
    DWORD signalled = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (signalled != WAIT_OBJECT_0 + 1) return;
    Reload();
  }
}

void InputMethod::Reload() {
  std::optional<std::string> options = ReadOptions();
  std::vector<std::pair<std::string, std::string>> fields = {{"program", "input method"}};
  if (options) {
    fields.emplace_back("text", "options reloaded");
    fields.emplace_back("options", *options);
  } else {
    fields.emplace_back("text", "options reloaded: no options key, factory options kept");
  }
  cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kProgram, std::move(fields));
  std::lock_guard lock(mutex_);
  if (options) options_ = *options;
  ++reloads_;
  changed_.notify_all();
}

}  // namespace sim
