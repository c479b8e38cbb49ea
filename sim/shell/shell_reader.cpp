// The shell's thread: it opens the three queues for reading, waits on them and on its wake
// event, and handles each record it takes off a queue. Stop(), Start() and WaitIdle() steer and
// watch it.
#include <vector>

#include "ce/kernel.h"
#include "ce/msgqueue.h"
#include "cehost/handset.h"
#include "cehost/journal.h"
#include "sim/shell/lock_state.h"
#include "sim/shell/shell.h"

namespace sim {

namespace {

// A record longer than this is taken off its queue and refused.
constexpr DWORD kReadBufferBytes = 8192;

}  // namespace

void Shell::StartReader() {
  {
    std::lock_guard lock(mutex_);
    reader_ready_ = false;
    reader_alive_ = true;
    quit_ = false;
  }
  thread_ = std::thread([this] { ReadLoop(); });
  // The queues are the shell's once Install or Start returns.
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return reader_ready_ || !reader_alive_; });
}

void Shell::StopReader() {
  HANDLE wake = nullptr;
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    wake = wake_;
  }
  if (wake) SetEvent(wake);
  if (thread_.joinable()) thread_.join();
}

bool Shell::Reading() const {
  std::lock_guard lock(mutex_);
  return installed_ && reader_alive_ && run_ == ShellRun::kRunning;
}

void Shell::ReadLoop() {
  std::array<HANDLE, kShellQueueCount> readers{};
  for (int q = 0; q < kShellQueueCount; ++q) {
    const ShellQueueSpec& spec = QueueSpec(static_cast<ShellQueue>(q));
    MSGQUEUEOPTIONS options{sizeof(MSGQUEUEOPTIONS), MSGQUEUE_ALLOW_BROKEN,
                            SHELL_QUEUE_MAX_MESSAGES, spec.record_size, TRUE};
    readers[q] = CreateMsgQueue(spec.name, &options);
  }
  HANDLE wake = nullptr;
  {
    std::lock_guard lock(mutex_);
    readers_ = readers;
    wake = wake_;
    reader_ready_ = true;
    changed_.notify_all();
  }
  std::vector<uint8_t> buffer(kReadBufferBytes);
  for (;;) {
    // The wake event first, then the queues while the shell reads them.
    std::array<HANDLE, 1 + kShellQueueCount> handles{wake};
    std::array<ShellQueue, 1 + kShellQueueCount> queue_of{};
    DWORD count = 1;
    {
      std::lock_guard lock(mutex_);
      if (quit_) break;
      if (run_ == ShellRun::kRunning) {
        for (int q = 0; q < kShellQueueCount; ++q) {
          if (!readers[q]) continue;
          queue_of[count] = static_cast<ShellQueue>(q);
          handles[count++] = readers[q];
        }
      }
    }
    DWORD signalled = WaitForMultipleObjects(count, handles.data(), FALSE, INFINITE);
    if (signalled == WAIT_OBJECT_0) continue;
    if (signalled == WAIT_FAILED || signalled >= WAIT_OBJECT_0 + count) break;
    ShellQueue queue = queue_of[signalled - WAIT_OBJECT_0];
    DWORD read = 0;
    DWORD flags = 0;
    bool too_long = false;
    {
      // Taking a record off and counting it are one step for WaitIdle, which counts what waits.
      std::lock_guard lock(mutex_);
      if (quit_ || run_ != ShellRun::kRunning) continue;
      BOOL got = ReadMsgQueue(readers[queue], buffer.data(), kReadBufferBytes, &read, 0, &flags);
      too_long = !got && GetLastError() == ERROR_INSUFFICIENT_BUFFER;
      if (!got && !too_long) continue;
      ++taken_[queue];
    }
    Handle(queue, buffer.data(), read, too_long);
    std::lock_guard lock(mutex_);
    ++handled_[queue];
    changed_.notify_all();
  }
  std::lock_guard lock(mutex_);
  reader_alive_ = false;
  changed_.notify_all();
}

void Shell::Handle(ShellQueue queue, const uint8_t* data, size_t size, bool too_long) {
  RecordOutcome outcome;
  if (too_long) {
    const char* label = QueueSpec(queue).label;
    outcome.text = std::string(label) + " record longer than " + std::to_string(kReadBufferBytes) +
                   " bytes ignored";
    outcome.fields = {{"queue", label}};
  } else {
    std::lock_guard lock(mutex_);
    outcome = ApplyRecord(queue, data, size, memory_);
  }
  outcome.fields.insert(outcome.fields.begin(), {"text", outcome.text});
  cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kShell,
                       std::move(outcome.fields));
  if (outcome.lock_state) WriteLockState(*outcome.lock_state);
  if (outcome.announce) Announce(*outcome.announce);
  if (outcome.changed) Save();
}

bool Shell::WaitIdle(DWORD timeout_ms) {
  std::unique_lock lock(mutex_);
  if (!installed_ || !reader_alive_ || run_ != ShellRun::kRunning) return true;
  // What waits in each queue now was written before the call: it is handled once the count of
  // records handled reaches those taken off so far and those waiting.
  std::array<uint64_t, kShellQueueCount> target = taken_;
  for (int q = 0; q < kShellQueueCount; ++q) {
    MSGQUEUEINFO info{};
    info.dwSize = sizeof info;
    if (readers_[q] && GetMsgQueueInfo(readers_[q], &info)) target[q] += info.dwCurrentMessages;
  }
  auto idle = [&] {
    if (!reader_alive_ || run_ != ShellRun::kRunning) return true;
    for (int q = 0; q < kShellQueueCount; ++q)
      if (handled_[q] < target[q]) return false;
    return true;
  };
  if (timeout_ms == INFINITE) {
    changed_.wait(lock, idle);
    return true;
  }
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), idle);
}

bool Shell::Stop() {
  HANDLE wake = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (run_ == ShellRun::kAbsent) return false;
    if (run_ != ShellRun::kRunning) return true;
    run_ = ShellRun::kStopped;
    wake = installed_ ? wake_ : nullptr;
    changed_.notify_all();
  }
  if (wake) SetEvent(wake);
  Save();
  return true;
}

bool Shell::Start() {
  HANDLE wake = nullptr;
  bool start_thread = false;
  {
    std::lock_guard lock(mutex_);
    if (run_ == ShellRun::kAbsent) return false;
    if (run_ == ShellRun::kRunning) return true;
    start_thread = run_ == ShellRun::kNotStarted && installed_;
    run_ = ShellRun::kRunning;
    wake = installed_ ? wake_ : nullptr;
  }
  if (start_thread)
    StartReader();
  else if (wake)
    SetEvent(wake);
  Save();
  return true;
}

bool Shell::FireEvent(ShellEvent event) {
  if (event < 0 || event >= SHELL_EVENT_COUNT) return false;
  {
    std::lock_guard lock(mutex_);
    if (!installed_ || run_ == ShellRun::kAbsent || run_ == ShellRun::kNotStarted) return false;
  }
  Announce(event);
  return true;
}

}  // namespace sim
