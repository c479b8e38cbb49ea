#include "windows/window_table.h"

#include <cstdlib>
#include <set>

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

// Every window table alive, so that a process that ends with windows still open stops their
// threads before its static objects go.
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

WindowTable::WindowTable() {
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

HWND WindowTable::Create(const WindowSpec& spec) {
  std::shared_ptr<Window> window;
  {
    std::lock_guard lock(mutex_);
    if (spec.parent && !windows_.count(ValueOf(spec.parent))) return nullptr;
    // Values are not reused soon, so that a stale handle fails instead of reaching a new window.
    uint32_t value = last_;
    do {
      value = (value < kFirstWindow || value >= kLastWindow) ? kFirstWindow : value + 4;
    } while (windows_.count(value));
    last_ = value;
    window = std::make_shared<Window>(reinterpret_cast<HWND>(static_cast<uintptr_t>(value)), spec);
    windows_.emplace(value, window);
    window->Start();
  }
  return window->hwnd();
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

bool WindowTable::Destroy(HWND hwnd) {
  std::vector<std::shared_ptr<Window>> doomed;
  {
    std::lock_guard lock(mutex_);
    auto it = windows_.find(ValueOf(hwnd));
    if (it == windows_.end()) return false;
    doomed.push_back(it->second);
    windows_.erase(it);
    // Descendants: a window whose parent is already doomed, until no more are found.
    for (size_t i = 0; i < doomed.size(); ++i) {
      for (auto child = windows_.begin(); child != windows_.end();) {
        if (child->second->parent() == doomed[i]->hwnd()) {
          doomed.push_back(child->second);
          child = windows_.erase(child);
        } else {
          ++child;
        }
      }
    }
  }
  // Joined outside the lock: a procedure that is finishing may still be calling in here.
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) (*it)->Stop();
  return true;
}

void WindowTable::DestroyAll() {
  std::map<uint32_t, std::shared_ptr<Window>> doomed;
  {
    std::lock_guard lock(mutex_);
    doomed.swap(windows_);
  }
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) it->second->Stop();
}

}  // namespace cehost
