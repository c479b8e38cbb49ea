// The phone adapter as a program of the simulated handset: handset.toml's [phone] table scripts
// it, and each mount puts its module "\Windows\PhoneAdapter.dll" and its phone on the handset.
#pragma once

#include <memory>

#include "sim/phone_adapter/phone.h"
#include "sim/program.h"

namespace sim {

class PhoneAdapter : public Program {
 public:
  std::string_view name() const override { return kPhoneProgram; }
  // Reads the script: identifiers, counts, statuses and the failures to play.
  void Configure(const ConfigTable& table) override;
  // Installs the module with its PAC_ and PAL_ entries, and the phone they answer from.
  void Install() override;

  // The telephony the adapter reports.
  Phone& phone() { return *phone_; }

 private:
  std::shared_ptr<Phone> phone_ = std::make_shared<Phone>();
};

}  // namespace sim
