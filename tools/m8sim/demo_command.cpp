// m8sim demo: the data connection's road on the handset, step by step, with what each step did.
#include "access_point_probe.h"
#include "ce/registry.h"
#include "cehost/text.h"
#include "context.h"
#include "demo_steps.h"
#include "frame/exports.h"
#include "sim/modem/modem.h"
#include "sim/phone_adapter/phone_adapter_program.h"

namespace m8sim {

namespace {

// The traffic the modem plays for the connection, in bytes.
constexpr DWORD kSent = 1200;
constexpr DWORD kReceived = 34000;

constexpr const char* kDemoHelp =
    R"(On the handset (the default handset is made in its home on first use), runs the
data connection's road: the access point the operator's profile file selects (asked
of the library with IniReadIntEx, section by section), a GPRS dial with
CalllNotifyApiStartGprsConnect2(null, 0), QueryNetWorkStatus, the hang-up with
CalllNotifyApiStopGprsConnect2(null), and the traffic totals in the registry
(HKLM\DialParameter gprsReceiveDataCount and gprsSendDataCount). The modem is scripted
to carry 1200 bytes out and 34000 in, so the totals grow by that much each run.
Each step shows the call, its result and the journal of what it did.
Exits 0 when the dial succeeded and the status was 5 (GPRS without proxy), else 1.

  reset                the factory reset, SettingApiResetFactorySettings, and what it
                       changed on the handset (see m8sim demo reset --help)
  wlan [--hardware N]  Wi-Fi on and off with EnableViROVUEx, and the network status
                       after each (see m8sim demo wlan --help))";

DWORD ReadTotal(const char16_t* name) {
  HKEY key = nullptr;
  DWORD value = 0;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"DialParameter", 0, 0, &key) != ERROR_SUCCESS) return 0;
  DWORD size = sizeof value;
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD)
    value = 0;
  RegCloseKey(key);
  return value;
}

class Demo {
 public:
  explicit Demo(Context& ctx) : ctx_(ctx), handset_(ctx.Handset()), steps_(ctx.out, handset_) {}

  int Run() {
    ctx_.out.Text("m8sim demo on the handset at " + handset_.home().string());
    handset_.program<sim::Modem>().Script()->connection_sent = kSent;
    handset_.program<sim::Modem>().Script()->connection_received = kReceived;

    SelectedAccessPoint access = FindSelectedAccessPoint(
        handset_, handset_.program<sim::PhoneAdapter>().phone().Script()->imsi);
    std::string access_name = cehost::ToUtf8(access.name);
    steps_.Step(
        "access point",
        "IniReadIntEx(section, \"IsSelect\", &selected, \"" + cehost::ToUtf8(access.file) + "\")",
        access.result, access.name.empty() ? "none selected" : "selected \"" + access_name + "\"",
        {{"access_name", access_name}});

    INT dialled = CalllNotifyApiStartGprsConnect2(nullptr, 0);
    steps_.Step("dial", "CalllNotifyApiStartGprsConnect2(null, 0)", dialled,
                dialled == 1 ? "dialled" : "refused or failed", {});

    DWORD status = QueryNetWorkStatus();
    steps_.Step("status", "QueryNetWorkStatus()", status, NetworkStatusMeaning(status), {});

    INT stopped = CalllNotifyApiStopGprsConnect2(nullptr);
    steps_.Step("hang-up", "CalllNotifyApiStopGprsConnect2(null)", stopped, "hung up", {});

    DWORD received = ReadTotal(u"gprsReceiveDataCount");
    DWORD sent = ReadTotal(u"gprsSendDataCount");
    steps_.Step("traffic", "HKLM\\DialParameter gprsReceiveDataCount, gprsSendDataCount", nullptr,
                "received " + std::to_string(received) + " bytes, sent " + std::to_string(sent) +
                    " bytes in all",
                {{"received", received}, {"sent", sent}});

    bool ok = dialled == 1 && status == 5;
    ctx_.out.Emit({{"type", "demo"},
                   {"ok", ok},
                   {"dial", dialled},
                   {"status", status},
                   {"received", received},
                   {"sent", sent}},
                  ok ? "demo: the dial succeeded and the handset was on GPRS without proxy"
                     : "demo: the road was not travelled to the end");
    return ok ? 0 : 1;
  }

 private:
  Context& ctx_;
  sim::Handset& handset_;
  DemoSteps steps_;
};

}  // namespace

void AddDemoCommand(CLI::App& app, Context& ctx) {
  auto* demo = app.add_subcommand(
      "demo", "Dial GPRS (or reset, or switch Wi-Fi) on the handset and show what each step did");
  demo->footer(kDemoHelp);
  demo->require_subcommand(0, 1);
  AddResetDemo(*demo, ctx);
  AddWlanDemo(*demo, ctx);
  demo->callback([&ctx, demo] {
    if (demo->get_subcommands().empty()) ctx.action = [&ctx] { return Demo(ctx).Run(); };
  });
}

}  // namespace m8sim
