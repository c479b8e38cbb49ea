#include "sim/shell/shell.h"

#include <utility>

#include "ce/kernel.h"
#include "ce/msgqueue.h"
#include "ce/windows.h"
#include "cehost/handset.h"
#include "cehost/text.h"
#include "cehost/windows.h"
#include "sim/config_table.h"
#include "sim/shell/lock_state.h"
#include "sim/state_file.h"

namespace sim {

namespace {

// How long a new handset waits for its running shell to handle the records put back into its
// queues, and how long a handset that is let go of waits for its running shell to handle what
// is queued.
constexpr DWORD kSettleMs = 5000;

using Waiting = std::vector<std::pair<ShellQueue, std::vector<uint8_t>>>;

// The largest record read off a queue: any longer one is refused.
constexpr size_t kLongestRecord = 8192;

ShellRun RunNamed(const nlohmann::json& name, ShellRun fallback) {
  for (ShellRun run : {ShellRun::kNotStarted, ShellRun::kStopped, ShellRun::kRunning})
    if (name == ShellRunName(run)) return run;
  return fallback;
}

// The records that state.json keeps, by queue, in the order they waited.
Waiting WaitingFromJson(const nlohmann::json& json) {
  Waiting waiting;
  if (!json.is_object()) return waiting;
  for (int q = 0; q < kShellQueueCount; ++q) {
    auto queue = static_cast<ShellQueue>(q);
    auto found = json.find(QueueSpec(queue).label);
    if (found == json.end() || !found->is_array()) continue;
    for (const auto& record : *found)
      if (auto bytes = BytesFromJson(record)) waiting.emplace_back(queue, std::move(*bytes));
  }
  return waiting;
}

HANDLE OpenQueue(ShellQueue queue, bool read) {
  MSGQUEUEOPTIONS options{sizeof(MSGQUEUEOPTIONS), MSGQUEUE_ALLOW_BROKEN, SHELL_QUEUE_MAX_MESSAGES,
                          QueueSpec(queue).record_size, read};
  return CreateMsgQueue(QueueSpec(queue).name, &options);
}

}  // namespace

const char* ShellRunName(ShellRun run) {
  switch (run) {
    case ShellRun::kAbsent:
      return "absent";
    case ShellRun::kNotStarted:
      return "not started";
    case ShellRun::kStopped:
      return "stopped";
    case ShellRun::kRunning:
      return "running";
  }
  return "absent";
}

Shell::Shell() = default;

Shell::~Shell() {
  // The thread ends with its handset's mount; one still running here was never let go of.
  if (thread_.joinable()) StopReader();
}

void Shell::Configure(const ConfigTable& t) {
  t.OnlyKeys({"present", "running", "windows", "answer_delay_ms"});
  t.Read("present", &present_);
  t.Read("running", &running_);
  std::vector<std::string> names;
  for (int w = 0; w < kShellWindowCount; ++w)
    names.push_back(cehost::ToUtf8(ShellWindowClass(static_cast<ShellWindow>(w))));
  std::vector<std::string_view> known(names.begin(), names.end());
  if (auto windows = t.Table("windows")) {
    windows->OnlyKeys(known);
    for (int w = 0; w < kShellWindowCount; ++w)
      windows->ReadChoice(names[w],
                          {{"present", WindowPresence::kPresent},
                           {"absent", WindowPresence::kAbsent},
                           {"hung", WindowPresence::kHung}},
                          &window_setup_[w].presence);
  }
  if (auto delays = t.Table("answer_delay_ms")) {
    delays->OnlyKeys(known);
    for (int w = 0; w < kShellWindowCount; ++w)
      delays->Read(names[w], &window_setup_[w].answer_delay_ms);
  }
}

void Shell::Install() {
  if (!present_) {
    std::lock_guard lock(mutex_);
    run_ = ShellRun::kAbsent;
    return;
  }
  home_ = cehost::CurrentHome();
  // The shell registers its names before any application can, as it does at boot.
  for (int e = 0; e < SHELL_EVENT_COUNT; ++e)
    message_ids_[e] = RegisterWindowMessageW(kShellEventMessageNames[e]);

  nlohmann::json saved;
  StateFile(home_).Update(kShellProgram, [&saved](nlohmann::json& section) {
    saved = section;
    if (section.is_object()) section.erase("waiting");
  });
  bool boot = !saved.is_object();
  ShellRun run = running_ ? ShellRun::kRunning : ShellRun::kNotStarted;
  ShellMemory memory;
  Waiting waiting;
  if (!boot) {
    run = RunNamed(saved.value("run", nlohmann::json()), run);
    memory = MemoryFromJson(saved.value("memory", nlohmann::json()));
    waiting = WaitingFromJson(saved.value("waiting", nlohmann::json()));
  }
  {
    std::lock_guard lock(mutex_);
    memory_ = std::move(memory);
    run_ = run;
    installed_ = true;
    taken_ = {};
    handled_ = {};
  }
  // A shell that boots leaves the phone unlocked.
  if (boot && ReadLockState()) WriteLockState(false);

  HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, kShellWakeEventName);
  std::array<HANDLE, kShellQueueCount> keepers{};
  for (int q = 0; q < kShellQueueCount; ++q)
    keepers[q] = OpenQueue(static_cast<ShellQueue>(q), false);
  {
    std::lock_guard lock(mutex_);
    wake_ = wake;
    keepers_ = keepers;
  }
  Restore(waiting);
  cehost::InstallProgramState(kShellProgram, std::static_pointer_cast<Shell>(shared_from_this()));
  CreateWindows();
  if (run != ShellRun::kNotStarted) StartReader();
  if (run == ShellRun::kRunning) WaitIdle(kSettleMs);
  Save();
}

void Shell::Unmount() {
  {
    std::lock_guard lock(mutex_);
    if (!installed_) return;
  }
  DestroyWindows();
  if (Reading()) WaitIdle(kSettleMs);
  StopReader();
  Waiting waiting = TakeWaiting();
  std::vector<HANDLE> queues;
  HANDLE wake = nullptr;
  {
    std::lock_guard lock(mutex_);
    installed_ = false;
    queues.insert(queues.end(), readers_.begin(), readers_.end());
    queues.insert(queues.end(), keepers_.begin(), keepers_.end());
    readers_ = {};
    keepers_ = {};
    wake = std::exchange(wake_, nullptr);
  }
  for (HANDLE queue : queues)
    if (queue) CloseMsgQueue(queue);
  if (wake) CloseHandle(wake);
  Save(&waiting);
}

void Shell::Restore(const Waiting& records) {
  for (const auto& [queue, bytes] : records) {
    std::vector<uint8_t> copy = bytes;
    if (keepers_[queue] &&
        WriteMsgQueue(keepers_[queue], copy.data(), static_cast<DWORD>(copy.size()), 0, 0))
      continue;
    cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kShell,
                         {{"text", std::string("kept ") + QueueSpec(queue).label +
                                       " record lost: the queue is full"},
                          {"queue", QueueSpec(queue).label}});
  }
}

Waiting Shell::TakeWaiting() {
  Waiting waiting;
  std::vector<uint8_t> buffer(kLongestRecord);
  for (int q = 0; q < kShellQueueCount; ++q) {
    auto queue = static_cast<ShellQueue>(q);
    HANDLE reader = readers_[q] ? readers_[q] : OpenQueue(queue, true);
    if (!reader) continue;
    DWORD read = 0;
    DWORD flags = 0;
    while (ReadMsgQueue(reader, buffer.data(), static_cast<DWORD>(buffer.size()), &read, 0, &flags))
      waiting.emplace_back(queue, std::vector<uint8_t>(buffer.begin(), buffer.begin() + read));
    if (reader != readers_[q]) CloseMsgQueue(reader);
  }
  return waiting;
}

void Shell::Save(const Waiting* waiting) {
  if (home_.empty()) return;
  std::lock_guard save_lock(save_mutex_);
  nlohmann::json memory;
  ShellRun run;
  {
    std::lock_guard lock(mutex_);
    memory = MemoryJson(memory_);
    run = run_;
  }
  StateFile(home_).Update(kShellProgram, [&](nlohmann::json& section) {
    if (!section.is_object()) section = nlohmann::json::object();
    section["run"] = ShellRunName(run);
    section["memory"] = std::move(memory);
    if (!waiting || waiting->empty()) return;
    nlohmann::json& kept = section["waiting"];
    if (!kept.is_object()) kept = nlohmann::json::object();
    for (const auto& [queue, bytes] : *waiting) {
      nlohmann::json& records = kept[QueueSpec(queue).label];
      if (!records.is_array()) records = nlohmann::json::array();
      records.push_back(BytesJson(bytes));
    }
  });
}

UINT Shell::MessageId(ShellEvent event) const {
  std::lock_guard lock(mutex_);
  if (run_ == ShellRun::kAbsent || event < 0 || event >= SHELL_EVENT_COUNT) return 0;
  return message_ids_[event];
}

ShellStatus Shell::Status() const {
  ShellStatus status;
  std::array<HWND, kShellWindowCount> hwnds;
  {
    std::lock_guard lock(mutex_);
    hwnds = hwnds_;
  }
  for (int w = 0; w < kShellWindowCount; ++w)
    status.windows[w].visible = hwnds[w] && cehost::IsHostWindowVisible(hwnds[w]);
  std::lock_guard lock(mutex_);
  status.run = run_;
  status.memory = memory_;
  if (hwnds_[kTaskBarWindow])
    status.memory.windows.top_bar_visible = status.windows[kTaskBarWindow].visible;
  for (int w = 0; w < kShellWindowCount; ++w) {
    status.windows[w].hwnd = hwnds_[w];
    status.windows[w].setup = windows_now_[w];
  }
  for (int q = 0; q < kShellQueueCount; ++q) {
    HANDLE handle = readers_[q] ? readers_[q] : keepers_[q];
    MSGQUEUEINFO info{};
    info.dwSize = sizeof info;
    if (installed_ && handle && GetMsgQueueInfo(handle, &info))
      status.waiting[q] = info.dwCurrentMessages;
  }
  return status;
}

std::shared_ptr<Shell> CurrentShell() {
  return cehost::CurrentProgramState<Shell>(kShellProgram);
}

}  // namespace sim
