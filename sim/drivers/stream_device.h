// What every simulated stream driver shares: its names on the handset, the faults it plays
// (driver_faults.h), its open handles, the checks of each control's buffers, and its state in
// the home's state.json. A driver derives from it and gives its controls, its state and what
// each control does to that state.
//
// Every control is checked before the driver sees it: an unknown code fails with
// ERROR_INVALID_PARAMETER; a failing control (a scripted fault) with its scripted error; an
// input shorter than the control takes (or none) with ERROR_INVALID_PARAMETER; an output
// shorter than the control gives (or none) with ERROR_INSUFFICIENT_BUFFER.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ce/windows.h"
#include "cehost/devices.h"
#include "cehost/programs.h"
#include "sim/drivers/device.h"
#include "sim/drivers/driver_faults.h"
#include "sim/program.h"
#include "sim/state_file.h"

namespace sim {

// One control code a driver answers: its name as the journal shows it, and the least input and
// output it takes, in bytes.
struct ControlSpec {
  DWORD code;
  std::string_view name;
  DWORD in_size;
  DWORD out_size;
};

class StreamDevice : public Program,
                     public cehost::ProgramState,
                     public cehost::StreamDriver,
                     public Device {
 public:
  // program names its handset.toml table and state.json section; listing gives its names on
  // the handset; controls are the codes it answers.
  StreamDevice(std::string_view program, std::string_view description,
               cehost::DeviceListing listing, std::vector<ControlSpec> controls);

  // Program.
  std::string_view name() const override { return program_; }
  // Reads the fault keys and the driver's own.
  void Configure(const ConfigTable& table) final;
  // Installs the driver under its names, with its state as state.json holds it (as handset.toml
  // sets it when state.json has none); an absent device, or one the hardware lacks, is not
  // installed.
  void Install() final;

  // Device.
  std::string_view device_name() const override { return device_name_; }
  std::string_view description() const override { return description_; }
  // Whether the handset has it: its hardware has it fitted and handset.toml leaves it present.
  bool present() const override { return fitted_ && faults_.present(); }
  // {"device", "description", "present", "open_handles", "state": {...}, "faults": {...}}.
  nlohmann::json StateJson() const override;
  // Sets the fields (SetFields) on the state as state.json holds it now.
  void Set(const std::vector<DeviceField>& fields) final;

  // The faults it plays; a change takes effect at the next call.
  DriverFaults& faults() { return faults_; }
  // Whether the hardware of the handset it was last installed on has it.
  bool fitted() const { return fitted_; }
  // How many handles are open on it.
  size_t OpenHandles() const;

  // cehost::StreamDriver.
  uint32_t Open(DWORD access, DWORD share) override;
  BOOL IoControl(uint32_t open, DWORD code, const void* in, DWORD in_size, void* out,
                 DWORD out_size, DWORD* returned) final;
  BOOL Read(uint32_t open, void* buffer, DWORD size, DWORD* done) final;
  BOOL Write(uint32_t open, const void* data, DWORD size, DWORD* done) final;
  void Close(uint32_t open) override;
  std::string_view ControlName(DWORD code) const override;

 protected:
  // The handset.toml keys of the driver's own table, beyond the fault keys.
  virtual std::vector<std::string_view> StateKeys() const = 0;
  // Reads the driver's own keys: the state it starts with when state.json has none.
  virtual void ConfigureState(const ConfigTable& table) = 0;
  // Takes the state from state.json's section (null: the state handset.toml sets). Called with
  // mutex_ held.
  virtual void LoadState(const nlohmann::json& saved) = 0;
  // Forgets, at each mount, what only the last mount's programs could use (a window to notify);
  // LoadState keeps it, since a load within one mount takes up another process's changes.
  // Called with mutex_ held.
  virtual void ForgetMountState() {}
  // The state as state.json keeps it. Called with mutex_ held.
  virtual nlohmann::json SavedState() const = 0;
  // Answers a control whose buffers are checked: in holds at least the control's input size and
  // out has room for its output size.
  virtual BOOL Control(DWORD code, const uint8_t* in, DWORD in_size, uint8_t* out, DWORD out_size,
                       DWORD* returned) = 0;
  // Whether the current handset's hardware has the device; asked at each Install before the
  // state is loaded. By default every handset has it.
  virtual bool Fitted() const { return true; }
  // Called at the end of Install once the driver is on the handset, without mutex_ held: a
  // device puts here what else it brings onto the handset.
  virtual void Installed() {}
  // Reads from the device; by default a device cannot be read (ERROR_INVALID_FUNCTION).
  virtual BOOL ReadData(uint8_t* buffer, DWORD size, DWORD* done);
  // Writes to the device; by default a device cannot be written (ERROR_INVALID_FUNCTION).
  virtual BOOL WriteData(const uint8_t* data, DWORD size, DWORD* done);

  // Sets the fields as Device::Set promises, on the state as state.json holds it now.
  virtual void SetFields(const std::vector<DeviceField>& fields) = 0;

  // Writes the state to state.json. Called with mutex_ held, so that saves keep the order of
  // the changes.
  void SaveLocked() const;
  // Takes the state from state.json again when the file changed since the state was last loaded
  // or saved here (another process, or another run, changed the device). Called without mutex_
  // held, at the start of every call into the device.
  void Sync() const;
  // Sets the last error and gives FALSE.
  static BOOL Fail(DWORD error);
  // Records in the journal ("device") what the device did of itself.
  void Note(std::string event, std::vector<std::pair<std::string, std::string>> fields) const;
  // Posts a notification to a window (HWND_BROADCAST: every top-level window), noting it first.
  // Called without mutex_ held.
  void Post(HWND window, UINT message, WPARAM wparam, LPARAM lparam) const;

  mutable std::mutex mutex_;

 private:
  std::string program_;
  std::string description_;
  std::string device_name_;
  cehost::DeviceListing listing_;
  std::vector<ControlSpec> controls_;
  DriverFaults faults_;
  bool fitted_ = true;
  std::filesystem::path home_;
  // The version of state.json the state was last loaded from or saved to; guarded by mutex_.
  mutable StateFile::Version version_;
  mutable std::mutex opens_mutex_;
  std::map<uint32_t, DWORD> opens_;
  uint32_t next_open_ = 1;
};

// A window given to a driver as its 32-bit handle value.
inline HWND WindowOf(DWORD value) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
}

// Reads a DWORD from the start of a buffer.
DWORD DwordAt(const uint8_t* bytes);
// Writes a DWORD at the start of a buffer.
void PutDword(uint8_t* bytes, DWORD value);

}  // namespace sim
