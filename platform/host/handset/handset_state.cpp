#include "handset/handset_state.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <vector>

#include "ce/errors.h"
#include "cehost/handset.h"
#include "devices/active_keys.h"
#include "files/file_system.h"
#include "registry/registry_store.h"
#include "windows/window_table.h"

namespace cehost {

HandsetState::HandsetState() : windows(std::make_unique<WindowTable>()) {}
HandsetState::~HandsetState() = default;

namespace {

std::mutex g_mount_mutex;
// Every handset mounted so far: a replaced one is kept until the process ends, because a call on
// another thread may still be using it.
std::vector<std::unique_ptr<HandsetState>>& Mounted() {
  static auto* mounted = new std::vector<std::unique_ptr<HandsetState>>;
  return *mounted;
}
// Read without the lock on every platform call; written under it.
std::atomic<HandsetState*> g_current{nullptr};

HandsetState* Keep(std::unique_ptr<HandsetState> state) {
  Mounted().push_back(std::move(state));
  return Mounted().back().get();
}

void MakeHome(const std::filesystem::path& home) {
  std::error_code ec;
  std::filesystem::create_directories(home / "fs", ec);
  if (ec) throw HandsetError("handset home " + home.string() + ": " + ec.message());
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
  // The device manager's list of loaded devices is volatile: a handset starts with none loaded,
  // whatever an earlier run left in its registry.
  ClearActiveKeys(*state->registry);
  return state;
}

HandsetState* MountDefault() {
  MountOptions options;
  options.home = DefaultHandsetHome();
  try {
    return Keep(Build(options));
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
  return Keep(std::move(state));
}

}  // namespace

HandsetState& Current() {
  // Handsets are never freed, so a current one can be used without the lock.
  if (HandsetState* current = g_current.load(std::memory_order_acquire)) return *current;
  std::lock_guard lock(g_mount_mutex);
  if (!g_current.load()) g_current.store(MountDefault(), std::memory_order_release);
  return *g_current.load();
}

namespace {

// Makes the state current (or none) and lets go of the one it replaces: its windows go with it.
// Their threads are joined outside the lock, since a procedure that is finishing may be making a
// platform call. The outgoing handset's programs are told first, while it is still current, so
// that the threads they run end before their platform calls could reach another handset.
void Replace(std::unique_ptr<HandsetState> state) {
  if (HandsetState* outgoing = g_current.load(std::memory_order_acquire))
    outgoing->programs.UnmountAll();
  HandsetState* released = nullptr;
  {
    std::lock_guard lock(g_mount_mutex);
    released = g_current.load();
    g_current.store(state ? Keep(std::move(state)) : nullptr, std::memory_order_release);
  }
  if (released) released->windows->DestroyAll();
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
