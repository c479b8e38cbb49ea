#include "context.h"

#include <cstdlib>

#include "sim/default_handset.h"

namespace m8sim {

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
    // Other m8sim processes may be starting on the same new home: one of them makes the
    // handset, and the others use it.
    sim::EnsureHandset(home);
    sim::Handset::Options options;
    options.home = home;
    handset_ = std::make_unique<sim::Handset>(options);
    handset_->journal().Clear();
  }
  return *handset_;
}

}  // namespace m8sim
