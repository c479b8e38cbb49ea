// What the simulated devices' tests share: a handset home of the test's own with handset.toml
// tables as the test gives them, and the platform calls an application makes on a device.
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
#include "sim/handset.h"
#include "temp_dir.h"

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

// A handset home of the test's own, mounted in turn by the test's handsets.
class DeviceTest : public ::testing::Test {
 protected:
  // A handset on the test's home; handset.toml as given, when it is.
  std::unique_ptr<sim::Handset> Mount(const std::string& toml = "") {
    if (!toml.empty()) WriteText(temp_.home() / "handset.toml", toml);
    sim::Handset::Options options;
    options.home = temp_.home();
    return std::make_unique<sim::Handset>(options);
  }

  TempDir temp_;
};

}  // namespace device_test
