// m8sim handset: makes the default handset in the home, shows its hardware and programs (or
// every key its handset.toml takes), or reboots it.
#include <toml++/toml.h>
#include <fstream>
#include <iterator>
#include <sstream>

#include "ce/modules.h"

#include "cehost/server.h"
#include "cehost/text.h"
#include "context.h"
#include "errors.h"
#include "handset_steer.h"
#include "oem/ui_library.h"
#include "sim/default_handset.h"
#include "sim/drivers/device_list.h"
#include "sim/shell/shell.h"
#include "sim/state_file.h"

namespace m8sim {

namespace {

constexpr const char* kHandsetHelp =
    R"(  init   makes the default handset in the home: an M8 with a SIM of operator 46000,
         its access point profiles, every device present, and the settings and files
         of a handset in use (each reset visibly changes them); exit 1 when the home
         holds a handset already
  show   the home's handset.toml (hardware and programs) and what is installed
  show --keys
         every key handset.toml takes, with its meaning: the default handset's handset.toml
         and its comments, which are where each table and key is documented
  set KEY=VALUE...
         changes keys of the home's handset.toml (modem.dial_result=691), keeping its
         comments, once the handset is known to start with them; see set --help
  reboot stops the home's handset server and forgets what the simulated hardware and
         programs held in memory (the home's state.json): the shell starts again empty,
         with the phone unlocked
  start [--persistent]
         starts the home's handset server: the one process that runs the handset's
         drivers and registered messages for every program on the home. Programs start
         it themselves when none runs; it ends 5 s after the last of them, unless
         persistent (then it runs until handset stop)
  stop   stops the home's handset server; the next program that needs it starts another
  status the server's pid, how long it has run, and the programs attached to it with
         the handles it holds for each; exit 1 when none runs
  snapshot NAME
         keeps the handset's registry (HKLM and HKCU, but not HKLM\Drivers\Active, which
         lists the drivers loaded anew at each start) and its files, with attributes and
         contents hashes, in the home as snapshots/NAME.json (NAME: letters, digits, '.',
         '_' or '-'); a snapshot of that name is replaced
  diff NAME
         what changed since the snapshot: registry values added, changed (before -> after)
         or deleted and keys added or deleted, by key; files added, changed or deleted and
         folders added or removed, by folder. Exit 0 whether or not anything changed (the
         last record says: "differences" in --json); 1 when there is no such snapshot

Examples:
  m8sim handset set modem.dial_result=678 phone.imsi_fails=true
  m8sim handset snapshot before
  m8sim call SettingApiResetThemeSetting
  m8sim handset diff before)";

int Init(Context& ctx) {
  std::filesystem::path home = ctx.Home();
  sim::InitHandset(home);
  std::string data = sim::DefaultHandsetData().string();
  ctx.out.Emit({{"type", "handset"}, {"home", home.string()}, {"created", true}, {"data", data}},
               "made the default handset in " + home.string() + " from " + data);
  return 0;
}

// The program modules the handset offers to LoadLibraryW, of the ones the library loads.
nlohmann::json InstalledModules(std::string* text) {
  nlohmann::json modules = nlohmann::json::array();
  for (const char16_t* path :
       {u"\\Windows\\PhoneAdapter.dll", u"\\Windows\\BluetoothCPL.dll", kUiLibraryPath}) {
    HMODULE module = LoadLibraryW(path);
    if (module) FreeLibrary(module);
    std::string name = cehost::ToUtf8(path);
    modules.push_back({{"path", name}, {"installed", module != nullptr}});
    *text += "  " + name + (module ? "  installed" : "  missing") + "\n";
  }
  return modules;
}

// The handset's simulated devices, present or absent.
nlohmann::json Devices(Context& ctx, std::string* text) {
  nlohmann::json devices = nlohmann::json::array();
  nlohmann::json answer = Steer(ctx, {{"op", "device.list"}});
  for (const auto& device : answer.value("devices", nlohmann::json::array())) {
    std::string name = device.value("device", "");
    bool present = device.value("present", false);
    devices.push_back({{"device", name}, {"present", present}});
    *text += "  " + name + std::string(name.size() < 6 ? 6 - name.size() : 1, ' ') + " " +
             device.value("description", "") + (present ? "" : "  absent") + "\n";
  }
  return devices;
}

int Show(Context& ctx) {
  cehost::Journal& journal = ctx.Mount();
  std::filesystem::path home = ctx.Home();
  std::filesystem::path file = home / "handset.toml";
  toml::table table;
  try {
    table = toml::parse_file(file.string());
  } catch (const toml::parse_error& e) {
    throw Failure(file.string() + ": " + std::string(e.description()));
  }
  std::ostringstream json_text;
  json_text << toml::json_formatter(table);
  std::ifstream in(file);
  std::string toml_text((std::istreambuf_iterator<char>(in)), {});
  std::string modules_text;
  nlohmann::json modules = InstalledModules(&modules_text);
  std::string devices_text;
  nlohmann::json devices = Devices(ctx, &devices_text);
  journal.Clear();
  ctx.out.Emit({{"type", "handset"},
                {"home", home.string()},
                {"config", nlohmann::json::parse(json_text.str())},
                {"modules", modules},
                {"devices", devices}},
               "The handset at " + home.string() + "\n\nPrograms:\n" + modules_text +
                   "\nDevices (m8sim device list):\n" + devices_text + "\nhandset.toml:\n" +
                   toml_text);
  return 0;
}

// The default handset's handset.toml, whose comments say what every table and key does.
int Keys(Context& ctx) {
  std::filesystem::path file = sim::DefaultHandsetData() / "handset.toml";
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Failure("cannot read " + file.string());
  std::string text((std::istreambuf_iterator<char>(in)), {});
  ctx.out.Emit({{"type", "handset_keys"}, {"file", file.string()}, {"text", text}}, text);
  return 0;
}

int Reboot(Context& ctx) {
  std::filesystem::path home = ctx.Home();
  // The running handset goes first: its memory would outlive the file otherwise.
  cehost::StopServer(home);
  sim::StateFile state(home);
  if (!state.Clear()) throw Failure("cannot remove " + state.path().string());
  // The handset starts again: its programs boot without what they held.
  ctx.Handset();
  auto shell = sim::CurrentShell();
  std::string run = shell ? sim::ShellRunName(shell->Status().run) : "absent";
  ctx.out.Emit({{"type", "handset"}, {"home", home.string()}, {"rebooted", true}, {"shell", run}},
               "rebooted the handset in " + home.string() +
                   ": what it held in memory is gone; shell " + run);
  return 0;
}

}  // namespace

void AddHandsetCommands(CLI::App& app, Context& ctx) {
  auto* handset = app.add_subcommand(
      "handset",
      "Make, show, set, reboot, snapshot or diff the handset in the home; start, stop or look "
      "at its server");
  handset->footer(kHandsetHelp);
  handset->require_subcommand(1);
  handset->add_subcommand("init", "Make the default handset in the home")->callback([&ctx] {
    ctx.action = [&ctx] { return Init(ctx); };
  });
  auto keys = std::make_shared<bool>(false);
  auto* show = handset->add_subcommand("show", "Show the handset's hardware and programs");
  show->add_flag("--keys", *keys,
                 "Every key handset.toml takes, with its meaning (the default handset.toml)");
  show->callback(
      [&ctx, keys] { ctx.action = [&ctx, keys] { return *keys ? Keys(ctx) : Show(ctx); }; });
  AddHandsetSetCommand(*handset, ctx);
  handset->add_subcommand("reboot", "Forget what the handset held in memory (state.json)")
      ->callback([&ctx] { ctx.action = [&ctx] { return Reboot(ctx); }; });
  AddSnapshotCommands(*handset, ctx);
  AddServerCommands(*handset, ctx);
}

}  // namespace m8sim
