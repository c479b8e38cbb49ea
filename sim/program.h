// A program of the simulated handset (the phone adapter, the modem, an applet, a driver): it
// takes its settings from its handset.toml table, keeps its state for the handset that owns it,
// and puts itself on that handset each time the handset is mounted. Its exported functions find
// their state on the current handset (cehost/programs.h), never through a pointer of their own.
#pragma once

#include <memory>
#include <string_view>

namespace sim {

class ConfigTable;

class Program : public std::enable_shared_from_this<Program> {
 public:
  virtual ~Program() = default;

  // The program's table in handset.toml ("phone", "modem"...).
  virtual std::string_view name() const = 0;
  // Takes the program's settings from its table; throws HandsetConfigError naming a value it
  // refuses. A key the table leaves out keeps the program's default.
  virtual void Configure(const ConfigTable& table) = 0;
  // Puts the program (its modules, devices and state) on the current handset, which is the one
  // that owns it: a mounted handset starts without any.
  virtual void Install() = 0;
};

}  // namespace sim
