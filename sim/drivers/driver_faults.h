// The faults a simulated device plays, shared by every device: whether the handset has it at
// all, the error its opens fail with, the controls (or service calls) that fail and with which
// error, and failing reads and writes. handset.toml's device tables set them with the keys
// kFaultKeys; a test changes them while the handset runs.
//
//   present = false          the device is not installed: opening it fails as for any unknown
//                            name, and the device manager does not list it
//   open_error = 55          every open fails with this error (0: opens)
//   fail_controls = "IOCTL_ACC_GET_XYZ, IOCTL_ACC_GET_X"
//                            these controls fail, by name as the journal shows them
//   fail_error = 31          the error the failing controls report (default: the platform's
//                            ERROR_GEN_FAILURE, a device that does not work)
//   read_error = 30          every read fails with this error (0: reads work)
//   write_error = 29         every write fails with this error (0: writes work)
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "ce/types.h"

namespace sim {

class ConfigTable;

// The platform's ERROR_GEN_FAILURE: the error a failing device reports unless told otherwise.
inline constexpr DWORD kDeviceFailureError = 31;

// The handset.toml keys DriverFaults reads.
inline constexpr std::string_view kFaultKeys[] = {"present",    "open_error", "fail_controls",
                                                  "fail_error", "read_error", "write_error"};

class DriverFaults {
 public:
  // Reads the fault keys of the table; refuses a failing control that is not among the known
  // names.
  void Configure(const ConfigTable& table, const std::vector<std::string_view>& known_controls);

  // Whether the device is installed when its handset is mounted.
  bool present() const;
  void SetPresent(bool present);
  // The error opens fail with; 0 when they succeed.
  DWORD open_error() const;
  void SetOpenError(DWORD error);
  // Makes the named control fail with the error from now on (0: it works again).
  void FailControl(std::string_view name, DWORD error = kDeviceFailureError);
  // The error the named control fails with; 0 when it works.
  DWORD ControlError(std::string_view name) const;
  // The error reads fail with; 0 when they work.
  DWORD read_error() const;
  void FailReads(DWORD error);
  // The error writes fail with; 0 when they work.
  DWORD write_error() const;
  void FailWrites(DWORD error);
  // Takes every fault away (the device stays present or absent).
  void Clear();
  // The faults as JSON: open_error, failing_controls (name: error), read_error, write_error.
  nlohmann::json Json() const;

 private:
  mutable std::mutex mutex_;
  bool present_ = true;
  DWORD open_error_ = 0;
  std::map<std::string, DWORD, std::less<>> failing_controls_;
  DWORD read_error_ = 0;
  DWORD write_error_ = 0;
};

}  // namespace sim
