#include "sim/display/display.h"

#include <memory>

#include "cehost/display.h"
#include "cehost/handset.h"
#include "oem/shell.h"
#include "sim/config_table.h"
#include "sim/state_file.h"

namespace sim {

void Display::Configure(const ConfigTable& table) {
  table.OnlyKeys({"present", "enable_result", "disable_result"});
  table.Read("present", &present_);
  table.Read("enable_result", &enable_result_);
  table.Read("disable_result", &disable_result_);
}

void Display::Install() {
  if (!present_) {
    cehost::InstallDisplayDriver({});
    cehost::InstallProgramState(kDisplayProgram, nullptr);
    return;
  }
  home_ = cehost::CurrentHome();
  nlohmann::json saved = StateFile(home_).Read(kDisplayProgram);
  {
    std::lock_guard lock(mutex_);
    accepted_ = !saved.is_object() || saved.value("changes_accepted", true);
  }
  auto self = std::static_pointer_cast<Display>(shared_from_this());
  std::weak_ptr<Display> weak = self;
  cehost::InstallDisplayDriver([weak](int escape, const void*, int, void*, int) {
    auto display = weak.lock();
    return display ? display->Escape(escape) : 0;
  });
  cehost::InstallProgramState(kDisplayProgram, self);
}

void Display::SetSwitchResult(bool enable, int32_t result) {
  std::lock_guard lock(mutex_);
  (enable ? enable_result_ : disable_result_) = result;
}

bool Display::ChangesAccepted() const {
  std::lock_guard lock(mutex_);
  return accepted_;
}

int Display::Escape(int escape) {
  if (escape != DISPLAY_ESCAPE_ENABLE_SETTING_CHANGES &&
      escape != DISPLAY_ESCAPE_DISABLE_SETTING_CHANGES)
    return 0;
  bool enable = escape == DISPLAY_ESCAPE_ENABLE_SETTING_CHANGES;
  int32_t result;
  {
    std::lock_guard lock(mutex_);
    result = enable ? enable_result_ : disable_result_;
    if (result <= 0) return result;
    accepted_ = enable;
  }
  Save(enable);
  return result;
}

void Display::Save(bool accepted) const {
  if (home_.empty()) return;
  StateFile(home_).Update(kDisplayProgram, [accepted](nlohmann::json& section) {
    if (!section.is_object()) section = nlohmann::json::object();
    section["changes_accepted"] = accepted;
  });
}

}  // namespace sim
