#include "sim/drivers/driver_faults.h"

#include <algorithm>

#include "sim/config_table.h"

namespace sim {

namespace {

// The names of a comma-separated list, without the spaces around them.
std::vector<std::string> ListNames(const std::string& text) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    std::string name = text.substr(start, end - start);
    name.erase(0, name.find_first_not_of(" \t"));
    name.erase(name.find_last_not_of(" \t") + 1);
    if (!name.empty()) names.push_back(name);
    start = end + 1;
  }
  return names;
}

}  // namespace

void DriverFaults::Configure(const ConfigTable& table,
                             const std::vector<std::string_view>& known_controls) {
  std::lock_guard lock(mutex_);
  table.Read("present", &present_);
  table.Read("open_error", &open_error_);
  table.Read("read_error", &read_error_);
  table.Read("write_error", &write_error_);
  uint32_t error = kDeviceFailureError;
  table.Read("fail_error", &error);
  std::string list;
  table.Read("fail_controls", &list);
  failing_controls_.clear();
  for (const std::string& name : ListNames(list)) {
    if (std::find(known_controls.begin(), known_controls.end(), name) == known_controls.end())
      table.Fail("fail_controls", "the device has no control " + name);
    failing_controls_[name] = error;
  }
}

bool DriverFaults::present() const {
  std::lock_guard lock(mutex_);
  return present_;
}

void DriverFaults::SetPresent(bool present) {
  std::lock_guard lock(mutex_);
  present_ = present;
}

DWORD DriverFaults::open_error() const {
  std::lock_guard lock(mutex_);
  return open_error_;
}

void DriverFaults::SetOpenError(DWORD error) {
  std::lock_guard lock(mutex_);
  open_error_ = error;
}

void DriverFaults::FailControl(std::string_view name, DWORD error) {
  std::lock_guard lock(mutex_);
  if (error == 0) {
    auto found = failing_controls_.find(name);
    if (found != failing_controls_.end()) failing_controls_.erase(found);
  } else {
    failing_controls_[std::string(name)] = error;
  }
}

DWORD DriverFaults::ControlError(std::string_view name) const {
  std::lock_guard lock(mutex_);
  auto found = failing_controls_.find(name);
  return found == failing_controls_.end() ? 0 : found->second;
}

DWORD DriverFaults::read_error() const {
  std::lock_guard lock(mutex_);
  return read_error_;
}

void DriverFaults::FailReads(DWORD error) {
  std::lock_guard lock(mutex_);
  read_error_ = error;
}

DWORD DriverFaults::write_error() const {
  std::lock_guard lock(mutex_);
  return write_error_;
}

void DriverFaults::FailWrites(DWORD error) {
  std::lock_guard lock(mutex_);
  write_error_ = error;
}

void DriverFaults::Clear() {
  std::lock_guard lock(mutex_);
  open_error_ = 0;
  failing_controls_.clear();
  read_error_ = 0;
  write_error_ = 0;
}

nlohmann::json DriverFaults::Json() const {
  std::lock_guard lock(mutex_);
  nlohmann::json controls = nlohmann::json::object();
  for (const auto& [name, error] : failing_controls_) controls[name] = error;
  return {{"open_error", open_error_},
          {"failing_controls", controls},
          {"read_error", read_error_},
          {"write_error", write_error_}};
}

}  // namespace sim
