// m8sim demo wlan: Wi-Fi switched on and off on the handset, with the network status after each.
#include <optional>

#include "context.h"
#include "demo_steps.h"
#include "sim/platform_record/platform_record.h"

namespace m8sim {

namespace {

constexpr const char* kWlanHelp =
    R"(On the handset (the default handset is made in its home on first use), calls
EnableViROVUEx(true), QueryNetWorkStatus(), EnableViROVUEx(false) and
QueryNetWorkStatus(), showing each result and the journal of what the call did.
The hardware version decides how Wi-Fi is switched: 1 loads and unloads the WLAN
driver of the serial bus chip (Drivers\SSP\SWLD24SP, listed as NDL1:), 2 powers,
binds and unbinds the SDIO86881 adapter. --hardware sets it for this run only
(handset.toml's [platform] hardware_version stays as it is).
Exits 0 once the four calls are made; 1 when the library does not implement
EnableViROVUEx or QueryNetWorkStatus (nothing is then done).)";

const char* ChipOf(uint32_t version) {
  return version == 1 ? "the SWLD24SP1 chip on the serial bus" : "the SDIO86881 adapter";
}

int RunWlan(Context& ctx, std::optional<int> hardware) {
  const ExportInfo& enable = DemoExport("wlan", "EnableViROVUEx", 1);
  const ExportInfo& status = DemoExport("wlan", "QueryNetWorkStatus", 0);
  sim::Handset& handset = ctx.Handset();
  auto& record = handset.program<sim::PlatformRecord>();
  if (hardware) {
    record.SetHardwareVersion(static_cast<uint32_t>(*hardware));
    // The handset starts again with that hardware: its WLAN devices are the variant's.
    handset.MakeCurrent();
  }
  uint32_t version = record.hardware_version();
  ctx.out.Text("m8sim demo wlan on the handset at " + handset.home().string() +
               ", hardware version " + std::to_string(version) + " (" + ChipOf(version) + ")");
  handset.journal().Clear();

  DemoSteps steps(ctx.out, handset);
  std::vector<int64_t> statuses;
  for (bool on : {true, false}) {
    CallReturn enabled = enable.call({CallArg{on ? 1u : 0u}});
    steps.Step(on ? "Wi-Fi on" : "Wi-Fi off",
               std::string("EnableViROVUEx(") + (on ? "true" : "false") + ")",
               ResultJson(enable, enabled.value),
               on ? "asked to load the WLAN adapter" : "asked to unload the WLAN adapter", {});
    CallReturn queried = status.call({});
    statuses.push_back(queried.value);
    steps.Step("status", "QueryNetWorkStatus()", queried.value,
               NetworkStatusMeaning(static_cast<DWORD>(queried.value)), {});
  }
  ctx.out.Emit({{"type", "demo"},
                {"demo", "wlan"},
                {"hardware_version", version},
                {"status_on", statuses[0]},
                {"status_off", statuses[1]}},
               "demo wlan: network status " + std::to_string(statuses[0]) + " (" +
                   NetworkStatusMeaning(static_cast<DWORD>(statuses[0])) + ") with Wi-Fi on, " +
                   std::to_string(statuses[1]) + " (" +
                   NetworkStatusMeaning(static_cast<DWORD>(statuses[1])) + ") with it off");
  return 0;
}

}  // namespace

void AddWlanDemo(CLI::App& demo, Context& ctx) {
  auto* wlan = demo.add_subcommand("wlan", "Switch Wi-Fi on and off on the handset");
  wlan->footer(kWlanHelp);
  // 0: the handset's own.
  auto hardware = std::make_shared<int>(0);
  wlan->add_option("--hardware", *hardware, "The hardware version for this run: 1 or 2")
      ->check(CLI::IsMember({1, 2}));
  wlan->callback([&ctx, hardware] {
    ctx.action = [&ctx, hardware] {
      return RunWlan(ctx, *hardware ? std::optional<int>(*hardware) : std::nullopt);
    };
  });
}

}  // namespace m8sim
