// A script of a simulated program, read or changed while its program's lock is held.
#pragma once

#include <mutex>

namespace sim {

template <class Script>
struct Locked {
  std::unique_lock<std::mutex> lock;
  Script& script;
  Script* operator->() { return &script; }
};

}  // namespace sim
