// The UI library as a program of the simulated handset: handset.toml's [sip] table sets the
// screen and how the module is present, and each mount puts the module "\Windows\VERA0960.dll"
// and its input panel, as state.json last held it, on the handset.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "sim/program.h"
#include "sim/ui_library/input_panel.h"

namespace sim {

// The panel's state as its section of state.json holds it, and back; a value missing or of
// another type keeps the closed panel's.
nlohmann::json PanelStateJson(const PanelState& state);
PanelState PanelStateFromJson(const nlohmann::json& json);

class UiLibrary : public Program {
 public:
  std::string_view name() const override { return kInputPanelProgram; }
  // Reads the screen, whether the module is there, and the entries it lacks.
  void Configure(const ConfigTable& table) override;
  // Installs the panel with its kept state, and the module with the entries it has.
  void Install() override;

  // The input panel the module answers from.
  InputPanel& panel() { return *panel_; }
  // Whether a mount puts the module on the handset, and which entries (by undecorated name,
  // "MzIsSipOpen") it leaves out; takes effect at the next mount, or now with InstallModule().
  void SetModule(bool present, std::set<std::string> missing_entries);
  // Puts the module on the current handset as set, or takes it away.
  void InstallModule();
  bool module_present() const { return present_; }

 private:
  std::shared_ptr<InputPanel> panel_ = std::make_shared<InputPanel>();
  bool present_ = true;
  std::set<std::string> missing_entries_;
};

}  // namespace sim
