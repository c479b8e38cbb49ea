#include "sim/ui_library/ui_library_program.h"

#include <limits>
#include <sstream>
#include <type_traits>
#include <utility>

#include "cehost/handset.h"
#include "cehost/modules.h"
#include "cehost/text.h"
#include "oem/ui_library.h"
#include "sim/config_table.h"
#include "sim/state_file.h"

namespace sim {

namespace {

// The module's entries: undecorated name, decorated name, function.
struct ModuleEntry {
  const char* name;
  const char16_t* decorated;
  FARPROC function;
};

std::vector<ModuleEntry> Entries() {
  using cehost::Entry;
  return {
      {"MzGetWorkArea", kMzGetWorkAreaEntry, Entry(&MzGetWorkArea)},
      {"MzGetParam", kMzGetParamEntry, Entry(&MzGetParam)},
      {"GetSipMode", kGetSipModeEntry, Entry(&GetSipMode)},
      {"MzCloseSip", kMzCloseSipEntry, Entry(&MzCloseSip)},
      {"MzGetA4SipMessage", kMzGetA4SipMessageEntry, Entry(&MzGetA4SipMessage)},
      {"MzGetVisibleDesktopRect", kMzGetVisibleDesktopRectEntry, Entry(&MzGetVisibleDesktopRect)},
      {"MzIsSipOpen", kMzIsSipOpenEntry, Entry(&MzIsSipOpen)},
      {"MzOpenSip", kMzOpenSipEntry, Entry(&MzOpenSip)},
      {"MzOpenSipEx", kMzOpenSipExEntry, Entry(&MzOpenSipEx)},
      {"SendCopyInfoToA4SIP", kSendCopyInfoToA4SIPEntry, Entry(&SendCopyInfoToA4SIP)},
      {"SetSipWindowPos", kSetSipWindowPosEntry, Entry(&SetSipWindowPos)},
  };
}

template <class T>
T ValueOr(const nlohmann::json& json, const char* key, T fallback) {
  auto found = json.find(key);
  if (found == json.end()) return fallback;
  if constexpr (std::is_integral_v<T>) {
    // A number out of the field's range (a negative count) is no value of it.
    if (!found->is_number_integer()) return fallback;
    if constexpr (std::is_unsigned_v<T>) {
      if (!found->is_number_unsigned() || found->get<uint64_t>() > std::numeric_limits<T>::max())
        return fallback;
    } else {
      int64_t n = found->get<int64_t>();
      if (n < std::numeric_limits<T>::min() || n > std::numeric_limits<T>::max()) return fallback;
    }
  }
  try {
    return found->get<T>();
  } catch (const nlohmann::json::exception&) {
    return fallback;
  }
}

}  // namespace

nlohmann::json PanelStateJson(const PanelState& s) {
  return {{"mode", s.mode},
          {"flags", s.flags},
          {"top", s.top},
          {"text", cehost::ToUtf8(s.text)},
          {"copies", s.copies}};
}

PanelState PanelStateFromJson(const nlohmann::json& json) {
  PanelState s;
  if (!json.is_object()) return s;
  s.mode = ValueOr<DWORD>(json, "mode", 0);
  if (!PanelHeight(s.mode)) s.mode = 0;
  if (s.open()) {
    s.flags = ValueOr<DWORD>(json, "flags", 0);
    s.top = ValueOr<LONG>(json, "top", 0);
    s.text = cehost::ToUtf16(ValueOr<std::string>(json, "text", ""));
  }
  s.copies = ValueOr<DWORD>(json, "copies", 0);
  return s;
}

void UiLibrary::Configure(const ConfigTable& t) {
  t.OnlyKeys({"module", "missing_entries", "screen_width", "screen_height", "taskbar_height"});
  t.ReadChoice<bool>("module", {{"installed", true}, {"missing", false}}, &present_);
  std::string missing;
  t.Read("missing_entries", &missing);
  std::set<std::string> known;
  for (const ModuleEntry& e : Entries()) known.insert(e.name);
  missing_entries_.clear();
  std::istringstream names(missing);
  for (std::string name; std::getline(names, name, ',');) {
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (name.empty()) continue;
    if (!known.count(name)) t.Fail("missing_entries", "no UI library entry " + name);
    missing_entries_.insert(name);
  }
  Screen screen = panel_->screen();
  for (auto [key, size] :
       {std::pair{"screen_width", &screen.width}, std::pair{"screen_height", &screen.height},
        std::pair{"taskbar_height", &screen.taskbar_height}}) {
    t.Read(key, size);
    if (*size < 0) t.Fail(key, "a size is at least 0");
  }
  panel_->SetScreen(screen);
}

void UiLibrary::Install() {
  std::filesystem::path home = cehost::CurrentHome();
  panel_->SetSaver(nullptr);
  panel_->Restore(PanelStateFromJson(StateFile(home).Read(kInputPanelProgram)));
  panel_->SetSaver([home](const PanelState& state) {
    StateFile(home).Update(kInputPanelProgram,
                           [&state](nlohmann::json& section) { section = PanelStateJson(state); });
  });
  cehost::InstallProgramState(kInputPanelProgram, panel_);
  InstallModule();
}

void UiLibrary::SetModule(bool present, std::set<std::string> missing_entries) {
  present_ = present;
  missing_entries_ = std::move(missing_entries);
}

void UiLibrary::InstallModule() {
  if (!present_) {
    cehost::RemoveModule(kUiLibraryPath);
    return;
  }
  cehost::ModuleEntries entries;
  for (const ModuleEntry& e : Entries())
    if (!missing_entries_.count(e.name)) entries[cehost::ToUtf8(e.decorated)] = e.function;
  cehost::InstallModule(kUiLibraryPath, std::move(entries));
}

}  // namespace sim
