#include "context.h"

#include <cstdlib>

#include "sim/default_handset.h"

namespace m8sim {

namespace {

// A home with any of these holds a handset (made by m8sim or by a program of the library).
bool HoldsHandset(const std::filesystem::path& home) {
  for (const char* part : {"registry.db", "fs", "handset.toml", "journal.jsonl"})
    if (std::filesystem::exists(home / part)) return true;
  return false;
}

}  // namespace

Context::~Context() = default;

std::filesystem::path Context::Home() const {
  if (!handset_option.empty()) return handset_option;
  const char* env = std::getenv("M8_HANDSET");
  if (env && *env) return env;
  return "handset";
}

sim::Handset& Context::Handset() {
  if (!handset_) {
    std::filesystem::path home = Home();
    if (!HoldsHandset(home)) sim::InitHandset(home);
    sim::Handset::Options options;
    options.home = home;
    handset_ = std::make_unique<sim::Handset>(options);
    handset_->journal().Clear();
  }
  return *handset_;
}

}  // namespace m8sim
