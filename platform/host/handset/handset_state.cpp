#include "handset/handset_state.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include "ce/errors.h"
#include "cehost/handset.h"
#include "devices/active_keys.h"
#include "files/file_system.h"
#include "registry/registry_store.h"
#include "server/journal_notice.h"
#include "server/server_link.h"
#include "windows/window_table.h"

namespace cehost {

HandsetState::HandsetState() : windows(std::make_unique<WindowTable>()) {}
HandsetState::~HandsetState() = default;

namespace {

std::mutex g_mount_mutex;
// The current handset; written under the lock. Never destroyed, since a detached thread may
// still make a platform call while the process ends.
std::shared_ptr<HandsetState>& g_current = *new std::shared_ptr<HandsetState>;
// Grows with each change of the current handset: a thread whose pin is of another generation
// takes the current one again.
std::atomic<uint64_t> g_generation{1};

// Handsets no thread holds any more, freed by the next mount or unmount. The last holder may be
// one of the handset's own threads, which cannot free what it runs on.
std::mutex g_retired_mutex;
std::vector<HandsetState*>& Retired() {
  static auto* retired = new std::vector<HandsetState*>;
  return *retired;
}

std::shared_ptr<HandsetState> Own(std::unique_ptr<HandsetState> state) {
  return std::shared_ptr<HandsetState>(state.release(), [](HandsetState* released) {
    std::lock_guard lock(g_retired_mutex);
    Retired().push_back(released);
  });
}

// The handset the calling thread is using: a call under way keeps it alive even when another
// thread mounts a new one meanwhile.
struct Pin {
  std::shared_ptr<HandsetState> state;
  uint64_t generation = 0;
};

// Set once the thread's pin is destroyed, as the thread ends: a platform call the process makes
// as it exits (a static object's destructor lets go of its handset) comes after that on the
// main thread. Never destroyed itself.
thread_local bool t_pin_gone = false;

struct PinHolder {
  Pin pin;
  ~PinHolder() { t_pin_gone = true; }
};
thread_local PinHolder t_pin_holder;

// The calling thread's pin; once it is gone, one that lives until the process ends (only the
// exiting thread calls then).
Pin& ThreadPin() {
  if (!t_pin_gone) return t_pin_holder.pin;
  static Pin* last = new Pin;
  return *last;
}

void MakeHome(const std::filesystem::path& home) {
  std::error_code ec;
  std::filesystem::create_directories(home / "fs", ec);
  if (ec) throw HandsetError("handset home " + home.string() + ": " + ec.message());
}

// Makes the handset's storage limit and journal its server's.
void Attach(HandsetState& state) {
  state.files->storage().KeepIn(state.server);
  state.journal.SetForward(
      [server = std::weak_ptr<ServerLink>(state.server)](const JournalEntry& entry) {
        if (auto link = server.lock()) link->Notify(JournalNotice(entry));
      });
}

std::unique_ptr<HandsetState> Build(const MountOptions& options) {
  auto state = std::make_unique<HandsetState>();
  state->home = options.home;
  MakeHome(options.home);
  state->files = std::make_unique<FileSystem>(options.home);
  RegistryStore::Options reg;
  reg.in_memory = options.registry_in_memory;
  reg.path = options.home / "registry.db";
  reg.busy_timeout_ms = options.registry_busy_timeout_ms;
  state->registry = std::make_unique<RegistryStore>(reg);
  if (options.attach) {
    // The loaded devices are the server's, which keeps their list.
    state->server = std::make_shared<ServerLink>(options.home);
    Attach(*state);
    return state;
  }
  // The device manager's list of loaded devices is volatile: a handset starts with none loaded,
  // whatever an earlier run left in its registry.
  ClearActiveKeys(*state->registry);
  return state;
}

std::unique_ptr<HandsetState> MountDefault() {
  MountOptions options;
  options.home = DefaultHandsetHome();
  options.attach = true;
  try {
    return Build(options);
  } catch (const HandsetError& e) {
    std::fprintf(stderr, "cehost: %s\n", e.what());
  }
  // A default handset whose registry cannot be used still answers: its registry calls fail.
  auto state = std::make_unique<HandsetState>();
  state->home = options.home;
  std::error_code ec;
  std::filesystem::create_directories(options.home / "fs", ec);
  state->files = std::make_unique<FileSystem>(options.home);
  state->registry_error = ERROR_BADDB;
  state->server = std::make_shared<ServerLink>(options.home);
  Attach(*state);
  return state;
}

HandsetState& Repin(Pin& pin) {
  std::lock_guard lock(g_mount_mutex);
  if (!g_current) {
    g_current = Own(MountDefault());
    g_generation.fetch_add(1, std::memory_order_release);
  }
  pin.state = g_current;
  pin.generation = g_generation.load(std::memory_order_relaxed);
  return *pin.state;
}

}  // namespace

HandsetState& Current() {
  Pin& pin = ThreadPin();
  if (pin.generation == g_generation.load(std::memory_order_acquire)) return *pin.state;
  return Repin(pin);
}

std::shared_ptr<HandsetState> CurrentShared() {
  Current();
  return ThreadPin().state;
}

namespace {

// Frees the handsets nobody holds any more.
void FreeRetired() {
  std::vector<HandsetState*> retired;
  {
    std::lock_guard lock(g_retired_mutex);
    retired.swap(Retired());
  }
  for (HandsetState* state : retired) delete state;
}

// Makes the state current (or none) and lets go of the one it replaces: its windows go with it.
// Their threads are joined outside the lock, since a procedure that is finishing may be making a
// platform call. The outgoing handset's programs are told first, while it is still current, so
// that the threads they run end before their platform calls could reach another handset. The
// outgoing handset is freed once no thread holds it.
void Replace(std::unique_ptr<HandsetState> state) {
  std::shared_ptr<HandsetState> released;
  {
    std::lock_guard lock(g_mount_mutex);
    released = g_current;
  }
  if (released) released->programs.UnmountAll();
  {
    std::lock_guard lock(g_mount_mutex);
    released = std::exchange(g_current, state ? Own(std::move(state)) : nullptr);
    g_generation.fetch_add(1, std::memory_order_release);
  }
  // The calling thread is done with the outgoing handset.
  ThreadPin() = Pin{};
  if (released) released->windows->DestroyAll();
  released.reset();
  FreeRetired();
}

}  // namespace

void MountHandset(const MountOptions& options) {
  Replace(Build(options));
}

void UnmountHandset() {
  Replace(nullptr);
}

std::filesystem::path DefaultHandsetHome() {
  const char* env = std::getenv("M8_HANDSET");
  if (env && *env) return env;
  return "handset";
}

std::filesystem::path CurrentHome() {
  return Current().home;
}

Journal& CurrentJournal() {
  return Current().journal;
}

}  // namespace cehost
