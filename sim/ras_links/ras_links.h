// The handset's RAS service as handset.toml's [ras] table scripts it: whether the phone book takes
// new entries, and the dial-up links other than the modem's that are up on the handset (a VPN, a
// second modem), each held by a line device of its own, "LINE1:", "LINE2:"... in the order the
// table lists them. Which entry each line holds is kept in the handset home's state.json
// (section "ras"), so that a link hung up by one process is down for every other.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "sim/program.h"

namespace sim {

class RasLinks : public Program {
 public:
  std::string_view name() const override { return "ras"; }
  // Reads whether the phone book is locked and the links up when the handset starts.
  void Configure(const ConfigTable& table) override;
  // Locks the phone book or not, and installs one line device per link.
  void Install() override;

  // The entry each line holds now ("" for a line that holds none), line 1 first.
  std::vector<std::string> Lines();
  // Makes the line (0 for "LINE1:") hold the entry, or none for "".
  void SetLine(size_t line, const std::string& entry);

 private:
  std::mutex mutex_;
  bool phone_book_locked_ = false;
  // The entries the lines hold when the handset starts.
  std::vector<std::string> links_;
  std::filesystem::path home_;
};

}  // namespace sim
