// What the sensor exports' tests share: a handset of the test's own whose handset.toml the test
// may give, and what the journal says each device was asked.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cehost/journal.h"
#include "device_support.h"
#include "sim/handset.h"

namespace sensors_test {

// One control a device was sent, as the journal shows it.
struct Sent {
  std::string code_name;
  std::string in;  // input bytes in hexadecimal
  bool operator==(const Sent&) const = default;
};

inline void PrintTo(const Sent& s, std::ostream* os) {
  *os << s.code_name << "(" << s.in << ")";
}

class SensorsTest : public device_test::DeviceTest {
 protected:
  // Mounts the test's handset, with handset.toml tables when given.
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

}  // namespace sensors_test
