// The phone adapter as a program of the simulated handset: handset.toml's [phone] table scripts
// it, and each mount puts its module "\Windows\PhoneAdapter.dll" and its phone on the handset.
// The phone's live state (traffic counters, GPRS attached) is kept in the home's state.json.
#pragma once

#include <memory>
#include <set>
#include <string>

#include "sim/phone_adapter/phone.h"
#include "sim/program.h"

namespace sim {

class PhoneAdapter : public Program {
 public:
  std::string_view name() const override { return kPhoneProgram; }
  // Reads the script: identifiers, counts, statuses, the failures to play and how the module is
  // present.
  void Configure(const ConfigTable& table) override;
  // Installs the phone they answer from, with its live state in the home's state.json, and the
  // module with the PAC_ and PAL_ entries it has (none when it is missing).
  void Install() override;

  // The telephony the adapter reports.
  Phone& phone() { return *phone_; }

 private:
  std::shared_ptr<Phone> phone_ = std::make_shared<Phone>();
  bool module_present_ = true;
  std::set<std::string> missing_entries_;
};

}  // namespace sim
