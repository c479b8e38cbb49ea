// What the simulated devices' tests share: a handset home of the test's own with handset.toml
// tables as the test gives them, the platform calls an application makes on a device, and what
// the journal says each device was asked.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ce/devices.h"
#include "ce/errors.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "cehost/journal.h"
#include "handset_fixture.h"
#include "sim/handset.h"

namespace device_test {

// What one call gave: its result, the last error when it failed, and the bytes it wrote.
struct Answer {
  BOOL ok = FALSE;
  DWORD error = 0;
  std::vector<uint8_t> out;
};

inline std::vector<uint8_t> DwordBytes(DWORD value) {
  std::vector<uint8_t> bytes(4);
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}

inline DWORD AsDword(const std::vector<uint8_t>& bytes) {
  DWORD value = 0;
  std::memcpy(&value, bytes.data(), std::min<size_t>(bytes.size(), 4));
  return value;
}

// A device opened as an application opens it, closed when the object goes.
class Opened {
 public:
  explicit Opened(const char16_t* name, DWORD access = GENERIC_READ | GENERIC_WRITE)
      : handle_(CreateFileW(name, access, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
    error_ = handle_ == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  }
  ~Opened() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;

  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  DWORD open_error() const { return error_; }

  // A control with its input and room for out_size output bytes.
  Answer Control(DWORD code, const std::vector<uint8_t>& in = {}, DWORD out_size = 0) const {
    std::vector<uint8_t> out(out_size, 0xEE);
    DWORD returned = 0;
    Answer answer;
    SetLastError(0);
    answer.ok =
        DeviceIoControl(handle_, code, in.empty() ? nullptr : const_cast<uint8_t*>(in.data()),
                        static_cast<DWORD>(in.size()), out.empty() ? nullptr : out.data(), out_size,
                        &returned, nullptr);
    answer.error = answer.ok ? 0 : GetLastError();
    out.resize(answer.ok ? returned : 0);
    answer.out = out;
    return answer;
  }
  Answer Read(DWORD size) const {
    std::vector<uint8_t> buffer(size, 0xEE);
    DWORD done = 0;
    Answer answer;
    answer.ok = ReadFile(handle_, buffer.data(), size, &done, nullptr);
    answer.error = answer.ok ? 0 : GetLastError();
    buffer.resize(answer.ok ? done : 0);
    answer.out = buffer;
    return answer;
  }
  Answer Write(const std::vector<uint8_t>& data) const {
    DWORD done = 0;
    Answer answer;
    answer.ok = WriteFile(handle_, data.data(), static_cast<DWORD>(data.size()), &done, nullptr);
    answer.error = answer.ok ? 0 : GetLastError();
    return answer;
  }

 private:
  HANDLE handle_;
  DWORD error_ = 0;
};

// One control a device was sent, as the journal shows it.
struct Sent {
  std::string code_name;
  std::string in;  // input bytes in hexadecimal
  bool operator==(const Sent&) const = default;
};

inline void PrintTo(const Sent& s, std::ostream* os) {
  *os << s.code_name << "(" << s.in << ")";
}

// A handset home of the test's own, mounted in turn by the test's handsets: each a handset the
// test holds (Mount), or the fixture's current one (Start) whose journal the fixture reads.
class DeviceTest : public HandsetHomeTest {
 protected:
  // Mounts the current handset in place of the one before, with handset.toml tables when given.
  void Start(const std::string& toml = "") {
    handset_.reset();
    handset_ = Mount(toml);
  }
  sim::Handset& handset() { return *handset_; }

  std::vector<cehost::JournalEntry> Entries(const std::string& kind) const {
    return handset_->journal().Entries(kind);
  }
  // The controls sent to the device, in order.
  std::vector<Sent> Controls(const std::string& device) const {
    std::vector<Sent> sent;
    for (const auto& e : Entries("device.control"))
      if (e.Field("device") == device)
        sent.push_back({e.Field("code_name"), cehost::HexBytes(e.bytes.data(), e.bytes.size())});
    return sent;
  }
  // How many times the device was opened, and closed.
  size_t Opens(const std::string& device) const { return Count("device.open", device); }
  size_t Closes(const std::string& device) const { return Count("device.close", device); }
  // The access each open of the device asked for ("0xc0000000").
  std::vector<std::string> OpenAccess(const std::string& device) const {
    std::vector<std::string> access;
    for (const auto& e : Entries("device.open"))
      if (e.Field("device") == device) access.push_back(e.Field("access"));
    return access;
  }
  std::vector<std::string> Traces() const {
    std::vector<std::string> lines;
    for (const auto& e : Entries("trace")) lines.push_back(e.Field("text"));
    return lines;
  }
  void ClearJournal() { handset_->journal().Clear(); }

 private:
  size_t Count(const std::string& kind, const std::string& device) const {
    size_t n = 0;
    for (const auto& e : Entries(kind)) n += e.Field("device") == device;
    return n;
  }

  std::unique_ptr<sim::Handset> handset_;
};

}  // namespace device_test
