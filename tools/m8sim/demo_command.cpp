// m8sim demo: the data connection's road on the handset, step by step, with what each step did.
#include "access_point_probe.h"
#include "ce/registry.h"
#include "cehost/text.h"
#include "context.h"
#include "frame/exports.h"
#include "journal_view.h"
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
Exits 0 when the dial succeeded and the status was 5 (GPRS without proxy), else 1.)";

const char* StatusMeaning(DWORD status) {
  switch (status) {
    case 2:
      return "Wi-Fi";
    case 3:
      return "USB";
    case 4:
      return "GPRS with proxy";
    case 5:
      return "GPRS without proxy";
    default:
      return "no network";
  }
}

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
  explicit Demo(Context& ctx) : ctx_(ctx), handset_(ctx.Handset()) {}

  int Run() {
    ctx_.out.Text("m8sim demo on the handset at " + handset_.home().string());
    handset_.program<sim::Modem>().Script()->connection_sent = kSent;
    handset_.program<sim::Modem>().Script()->connection_received = kReceived;

    SelectedAccessPoint access = FindSelectedAccessPoint(
        handset_, handset_.program<sim::PhoneAdapter>().phone().Script()->imsi);
    std::string access_name = cehost::ToUtf8(access.name);
    Step("access point",
         "IniReadIntEx(section, \"IsSelect\", &selected, \"" + cehost::ToUtf8(access.file) + "\")",
         access.result, access.name.empty() ? "none selected" : "selected \"" + access_name + "\"",
         {{"access_name", access_name}});

    INT dialled = CalllNotifyApiStartGprsConnect2(nullptr, 0);
    Step("dial", "CalllNotifyApiStartGprsConnect2(null, 0)", dialled,
         dialled == 1 ? "dialled" : "refused or failed", {});

    DWORD status = QueryNetWorkStatus();
    Step("status", "QueryNetWorkStatus()", status, StatusMeaning(status), {});

    INT stopped = CalllNotifyApiStopGprsConnect2(nullptr);
    Step("hang-up", "CalllNotifyApiStopGprsConnect2(null)", stopped, "hung up", {});

    DWORD received = ReadTotal(u"gprsReceiveDataCount");
    DWORD sent = ReadTotal(u"gprsSendDataCount");
    Step("traffic", "HKLM\\DialParameter gprsReceiveDataCount, gprsSendDataCount", nullptr,
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
  // Shows one step: the call, its result and the journal of what it did.
  void Step(const std::string& step, const std::string& call, const nlohmann::json& result,
            const std::string& meaning, const nlohmann::json& details) {
    ++number_;
    std::string head = std::to_string(number_) + ". " + step;
    head.resize(std::max<size_t>(head.size() + 1, 17), ' ');
    std::string text = head + call;
    if (!result.is_null()) text += " -> " + result.dump();
    text += ": " + meaning;
    nlohmann::json record = {{"type", "step"}, {"step", step},     {"number", number_},
                             {"call", call},   {"result", result}, {"meaning", meaning}};
    if (details.is_object()) record.update(details);
    ctx_.out.Emit(record, text);
    EmitJournal(ctx_.out, handset_.journal().Entries(), {{"step", step}});
    handset_.journal().Clear();
  }

  Context& ctx_;
  sim::Handset& handset_;
  int number_ = 0;
};

}  // namespace

void AddDemoCommand(CLI::App& app, Context& ctx) {
  auto* demo = app.add_subcommand("demo", "Dial GPRS on the handset and show each step's effects");
  demo->footer(kDemoHelp);
  demo->callback([&ctx] { ctx.action = [&ctx] { return Demo(ctx).Run(); }; });
}

}  // namespace m8sim
