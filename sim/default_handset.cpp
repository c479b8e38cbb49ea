#include "sim/default_handset.h"

#include <cstdlib>

#include "sim/handset_setup.h"
#include "sim/home_lock.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

// The parts of which any one shows that a home holds a handset.
constexpr const char* kHandsetMarks[] = {"registry.db", "fs", "handset.toml", "journal.jsonl"};

[[noreturn]] void RefuseHeld(const fs::path& home) {
  for (const char* part : kHandsetMarks)
    if (fs::exists(home / part))
      throw HandsetInitError(home.string() + " already holds a handset (it has " + part + ")");
  throw HandsetInitError(home.string() + " already holds a handset");
}

}  // namespace

fs::path DefaultHandsetData() {
  if (const char* data = std::getenv("M8_DEFAULT_HANDSET_DATA"); data && *data) return data;
  return M8_DEFAULT_HANDSET_DATA_DIR;
}

bool HoldsHandset(const fs::path& home) {
  for (const char* part : kHandsetMarks)
    if (fs::exists(home / part)) return true;
  return false;
}

void InitHandset(const fs::path& home) {
  HomeLock lock(home);
  HandsetSetup setup(home);
  if (HoldsHandset(home)) RefuseHeld(home);
  setup.MakeAside();
  if (setup.PutInPlace() == HandsetSetup::Result::kHomeHoldsOne) RefuseHeld(home);
}

bool EnsureHandset(const fs::path& home) {
  HomeLock lock(home);
  if (HoldsHandset(home)) return false;
  HandsetSetup setup(home);
  setup.MakeAside();
  return setup.PutInPlace() == HandsetSetup::Result::kPlaced;
}

}  // namespace sim
