#include "sim/drivers/stream_device.h"

#include <cstring>

#include "ce/errors.h"
#include "cehost/handset.h"
#include "cehost/journal.h"
#include "cehost/text.h"
#include "sim/config_table.h"
#include "sim/state_file.h"

namespace sim {

StreamDevice::StreamDevice(std::string_view program, std::string_view description,
                           cehost::DeviceListing listing, std::vector<ControlSpec> controls)
    : program_(program),
      description_(description),
      device_name_(cehost::ToUtf8(listing.legacy_name)),
      listing_(std::move(listing)),
      controls_(std::move(controls)) {}

void StreamDevice::Configure(const ConfigTable& table) {
  std::vector<std::string_view> keys(std::begin(kFaultKeys), std::end(kFaultKeys));
  for (std::string_view key : StateKeys()) keys.push_back(key);
  table.OnlyKeys(keys);
  std::vector<std::string_view> names;
  for (const ControlSpec& control : controls_) names.push_back(control.name);
  faults_.Configure(table, names);
  ConfigureState(table);
}

void StreamDevice::Install() {
  home_ = cehost::CurrentHome();
  fitted_ = Fitted();
  {
    std::lock_guard lock(mutex_);
    ForgetMountState();
    version_ = {};
    version_.size = -2;  // no file has this version: the first Sync loads
  }
  Sync();
  {
    std::lock_guard lock(opens_mutex_);
    opens_.clear();
  }
  auto self = std::static_pointer_cast<StreamDevice>(shared_from_this());
  cehost::InstallProgramState(program_, self);
  if (!present()) return;
  cehost::InstallStreamDriver(listing_, self);
  Installed();
}

nlohmann::json StreamDevice::StateJson() const {
  Sync();
  nlohmann::json state;
  {
    std::lock_guard lock(mutex_);
    state = SavedState();
  }
  return {{"device", device_name_}, {"description", description_},
          {"present", present()},   {"open_handles", OpenHandles()},
          {"state", state},         {"faults", faults_.Json()}};
}

size_t StreamDevice::OpenHandles() const {
  std::lock_guard lock(opens_mutex_);
  return opens_.size();
}

void StreamDevice::Set(const std::vector<DeviceField>& fields) {
  Sync();
  SetFields(fields);
}

uint32_t StreamDevice::Open(DWORD access, DWORD) {
  Sync();
  if (DWORD error = faults_.open_error()) {
    SetLastError(error);
    return 0;
  }
  std::lock_guard lock(opens_mutex_);
  uint32_t open = next_open_++;
  if (next_open_ == 0) next_open_ = 1;
  opens_[open] = access;
  return open;
}

BOOL StreamDevice::IoControl(uint32_t, DWORD code, const void* in, DWORD in_size, void* out,
                             DWORD out_size, DWORD* returned) {
  Sync();
  const ControlSpec* spec = nullptr;
  for (const ControlSpec& control : controls_)
    if (control.code == code) spec = &control;
  if (!spec) return Fail(ERROR_INVALID_PARAMETER);
  if (DWORD error = faults_.ControlError(spec->name)) return Fail(error);
  if (spec->in_size && (!in || in_size < spec->in_size)) return Fail(ERROR_INVALID_PARAMETER);
  if (spec->out_size && (!out || out_size < spec->out_size)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  DWORD written = 0;
  BOOL result = Control(code, static_cast<const uint8_t*>(in), in ? in_size : 0,
                        static_cast<uint8_t*>(out), out ? out_size : 0, &written);
  if (returned) *returned = result ? written : 0;
  return result;
}

BOOL StreamDevice::Read(uint32_t, void* buffer, DWORD size, DWORD* done) {
  Sync();
  if (done) *done = 0;
  if (DWORD error = faults_.read_error()) return Fail(error);
  DWORD count = 0;
  BOOL result = ReadData(static_cast<uint8_t*>(buffer), buffer ? size : 0, &count);
  if (done) *done = result ? count : 0;
  return result;
}

BOOL StreamDevice::Write(uint32_t, const void* data, DWORD size, DWORD* done) {
  Sync();
  if (done) *done = 0;
  if (DWORD error = faults_.write_error()) return Fail(error);
  DWORD count = 0;
  BOOL result = WriteData(static_cast<const uint8_t*>(data), data ? size : 0, &count);
  if (done) *done = result ? count : 0;
  return result;
}

void StreamDevice::Close(uint32_t open) {
  std::lock_guard lock(opens_mutex_);
  opens_.erase(open);
}

std::string_view StreamDevice::ControlName(DWORD code) const {
  for (const ControlSpec& control : controls_)
    if (control.code == code) return control.name;
  return {};
}

BOOL StreamDevice::ReadData(uint8_t*, DWORD, DWORD*) {
  return Fail(ERROR_INVALID_FUNCTION);
}

BOOL StreamDevice::WriteData(const uint8_t*, DWORD, DWORD*) {
  return Fail(ERROR_INVALID_FUNCTION);
}

void StreamDevice::SaveLocked() const {
  if (home_.empty()) return;
  nlohmann::json state = SavedState();
  StateFile file(home_);
  if (file.Update(
          program_, [&state](nlohmann::json& section) { section = state; }, &version_))
    return;
  version_ = {};
  version_.size = -2;  // not saved: the next Sync loads the file's state again
}

void StreamDevice::Sync() const {
  if (home_.empty()) return;
  StateFile file(home_);
  StateFile::Version seen;
  {
    std::lock_guard lock(mutex_);
    if (file.CurrentVersion() == version_) return;
    seen = version_;
  }
  StateFile::Version now;
  nlohmann::json saved = file.Read(program_, &now);
  std::lock_guard lock(mutex_);
  // A save or a load in between is at least as new as what was read.
  if (!(version_ == seen)) return;
  // The state is this device's copy of the file's section: loading it again changes what the
  // device holds, not what it is.
  const_cast<StreamDevice*>(this)->LoadState(saved.is_object() ? saved : nlohmann::json());
  version_ = now;
}

BOOL StreamDevice::Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

void StreamDevice::Note(std::string event,
                        std::vector<std::pair<std::string, std::string>> fields) const {
  fields.insert(fields.begin(), {{"device", device_name_}, {"event", std::move(event)}});
  cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kDevice, std::move(fields));
}

void StreamDevice::Post(HWND window, UINT message, WPARAM wparam, LPARAM lparam) const {
  Note("post", {{"to", cehost::HexNumber(reinterpret_cast<uintptr_t>(window))},
                {"msg", cehost::HexNumber(message)},
                {"wparam", cehost::HexNumber(static_cast<uint64_t>(wparam))},
                {"lparam", cehost::HexNumber(static_cast<uint64_t>(lparam))}});
  PostMessageW(window, message, wparam, lparam);
}

DWORD DwordAt(const uint8_t* bytes) {
  DWORD value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

void PutDword(uint8_t* bytes, DWORD value) {
  std::memcpy(bytes, &value, sizeof value);
}

}  // namespace sim
