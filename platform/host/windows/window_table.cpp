#include "windows/window_table.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <set>

#include "ce/errors.h"
#include "ce/kernel.h"
#include "windows/thread_queue.h"

namespace cehost {

namespace {

// Window handles are 2 modulo 4: kernel handle values are multiples of 4, so a window handle
// never names a kernel object (CloseHandle refuses it), and it is never 0 or HWND_BROADCAST.
constexpr uint32_t kFirstWindow = 0x10002;
constexpr uint32_t kLastWindow = 0x7FFFFFF2;

uint32_t ValueOf(HWND hwnd) {
  auto raw = reinterpret_cast<uintptr_t>(hwnd);
  if (raw < kFirstWindow || raw > kLastWindow || raw % 4 != 2) return 0;
  return static_cast<uint32_t>(raw);
}

std::atomic<uint64_t> g_next_table_serial{1};

// Every window table alive, so that a process that ends with windows still open stops their
// threads before its static objects go, and a thread that ends finds the table of its queue.
std::mutex g_tables_mutex;
std::set<WindowTable*>& Tables() {
  static auto* tables = new std::set<WindowTable*>;
  return *tables;
}

void DestroyEveryWindow() {
  std::vector<WindowTable*> tables;
  {
    std::lock_guard lock(g_tables_mutex);
    tables.assign(Tables().begin(), Tables().end());
  }
  for (WindowTable* table : tables) table->DestroyAll();
}

}  // namespace

void ReleaseThreadQueue(const std::shared_ptr<ThreadMessageQueue>& queue) {
  // A closed queue has let go of its windows already: its table, which may be joining this very
  // thread under the lock below, has nothing more to do for it.
  if (queue->closed()) return;
  {
    // Held throughout: a table leaves the set before it is destroyed.
    std::lock_guard lock(g_tables_mutex);
    for (WindowTable* table : Tables()) {
      if (table->serial() == queue->table()) {
        table->ThreadEnded(queue);
        return;
      }
    }
  }
  queue->Close();
}

WindowTable::WindowTable() : serial_(g_next_table_serial++) {
  static const bool at_exit = std::atexit(DestroyEveryWindow) == 0;
  (void)at_exit;
  std::lock_guard lock(g_tables_mutex);
  Tables().insert(this);
}

WindowTable::~WindowTable() {
  {
    std::lock_guard lock(g_tables_mutex);
    Tables().erase(this);
  }
  DestroyAll();
}

HWND WindowTable::Insert(const WindowSpec& spec, std::shared_ptr<ThreadMessageQueue> queue,
                         bool own_thread, ATOM atom, uint32_t given) {
  uint32_t value = given;
  if (!value) {
    // Values are not reused soon, so that a stale handle fails instead of reaching a new window.
    value = last_;
    do {
      value = (value < kFirstWindow || value >= kLastWindow) ? kFirstWindow : value + 4;
    } while (windows_.count(value));
    last_ = value;
  }
  auto window = std::make_shared<Window>(reinterpret_cast<HWND>(static_cast<uintptr_t>(value)),
                                         spec, std::move(queue), own_thread, atom);
  windows_.emplace(value, window);
  window->Start();
  return window->hwnd();
}

HWND WindowTable::Create(const WindowSpec& spec) {
  std::lock_guard lock(mutex_);
  if (spec.parent && !windows_.count(ValueOf(spec.parent))) return nullptr;
  return Insert(spec, std::make_shared<ThreadMessageQueue>(serial_, 0), true, 0);
}

HWND WindowTable::CreateOwned(const WindowSpec& spec, ATOM atom,
                              std::shared_ptr<ThreadMessageQueue> queue, DWORD* error, HWND given) {
  std::lock_guard lock(mutex_);
  if (!classes_.Find(MAKEINTATOM(atom))) {
    *error = ERROR_CANNOT_FIND_WND_CLASS;
    return nullptr;
  }
  if (spec.parent && !windows_.count(ValueOf(spec.parent))) {
    *error = ERROR_INVALID_WINDOW_HANDLE;
    return nullptr;
  }
  if (given && windows_.count(ValueOf(given))) {
    *error = ERROR_INVALID_WINDOW_HANDLE;
    return nullptr;
  }
  return Insert(spec, std::move(queue), false, atom, ValueOf(given));
}

std::shared_ptr<Window> WindowTable::Find(HWND hwnd) const {
  std::lock_guard lock(mutex_);
  auto it = windows_.find(ValueOf(hwnd));
  return it == windows_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<Window>> WindowTable::TopLevel() const {
  std::lock_guard lock(mutex_);
  std::vector<std::shared_ptr<Window>> top;
  for (const auto& [value, window] : windows_)
    if (!window->parent()) top.push_back(window);
  return top;
}

void WindowTable::AddDescendants(std::vector<std::shared_ptr<Window>>& family) const {
  // A window whose parent is already listed, until no more are found.
  for (size_t i = 0; i < family.size(); ++i) {
    for (const auto& [value, window] : windows_)
      if (window->parent() == family[i]->hwnd()) family.push_back(window);
  }
}

std::vector<std::shared_ptr<Window>> WindowTable::Family(HWND hwnd) const {
  std::lock_guard lock(mutex_);
  std::vector<std::shared_ptr<Window>> family;
  auto it = windows_.find(ValueOf(hwnd));
  if (it == windows_.end()) return family;
  family.push_back(it->second);
  AddDescendants(family);
  return family;
}

bool WindowTable::Destroy(HWND hwnd) {
  std::vector<std::shared_ptr<Window>> doomed;
  {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(ValueOf(hwnd));
    if (it == windows_.end()) return false;
    doomed.push_back(it->second);
    AddDescendants(doomed);
    for (const auto& window : doomed) windows_.erase(ValueOf(window->hwnd()));
  }
  // Joined outside the lock: a procedure that is finishing may still be calling in here.
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) (*it)->Stop();
  return true;
}

void WindowTable::DestroyAll() {
  std::map<uint32_t, std::shared_ptr<Window>> doomed;
  std::vector<std::shared_ptr<ThreadMessageQueue>> queues;
  {
    std::lock_guard lock(mutex_);
    doomed.swap(windows_);
    queues.swap(queues_);
  }
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) it->second->Stop();
  for (const auto& queue : queues) queue->Close();
}

std::shared_ptr<ThreadMessageQueue> WindowTable::ThreadQueue(bool make) {
  auto queue = ThreadQueueOf(serial_);
  if (queue || !make) return queue;
  queue = std::make_shared<ThreadMessageQueue>(serial_, GetCurrentThreadId());
  {
    std::lock_guard lock(mutex_);
    queues_.push_back(queue);
  }
  AdoptQueue(queue);
  return queue;
}

std::shared_ptr<ThreadMessageQueue> WindowTable::QueueOfThread(DWORD thread_id) const {
  std::lock_guard lock(mutex_);
  for (const auto& queue : queues_)
    if (queue->thread_id() == thread_id && !queue->closed()) return queue;
  return nullptr;
}

bool WindowTable::OwnedByCaller(const Window& window) const {
  auto queue = ThreadQueueOf(serial_);
  return queue && queue == window.queue();
}

void WindowTable::ThreadEnded(const std::shared_ptr<ThreadMessageQueue>& queue) {
  std::vector<HWND> served;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [value, window] : windows_)
      if (window->queue() == queue) served.push_back(window->hwnd());
    std::erase(queues_, queue);
  }
  // The platform destroys a thread's windows when it ends; their procedures are not called, as
  // the thread that would run them is gone. A child window already went with its parent.
  for (HWND hwnd : served) Destroy(hwnd);
  queue->Close();
}

ATOM WindowTable::RegisterClass(const WNDCLASSW& record, DWORD* error) {
  std::lock_guard lock(mutex_);
  return classes_.Add(record, error);
}

bool WindowTable::UnregisterClass(LPCWSTR name_or_atom, DWORD* error) {
  std::lock_guard lock(mutex_);
  const WindowClass* known = classes_.Find(name_or_atom);
  if (!known) {
    *error = ERROR_CLASS_DOES_NOT_EXIST;
    return false;
  }
  ATOM atom = known->atom;
  bool in_use = std::any_of(windows_.begin(), windows_.end(),
                            [atom](const auto& entry) { return entry.second->atom() == atom; });
  if (in_use) {
    *error = ERROR_CLASS_HAS_WINDOWS;
    return false;
  }
  classes_.Remove(atom);
  return true;
}

std::optional<WindowClass> WindowTable::FindClass(LPCWSTR name_or_atom) const {
  std::lock_guard lock(mutex_);
  const WindowClass* known = classes_.Find(name_or_atom);
  return known ? std::optional<WindowClass>(*known) : std::nullopt;
}

}  // namespace cehost
