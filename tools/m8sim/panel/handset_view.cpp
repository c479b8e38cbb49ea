#include "handset_view.h"

#include <sstream>
#include <string>
#include <vector>

#include "context.h"
#include "m8sim.h"
#include "sim/state_file.h"

namespace m8sim {

namespace {

// Runs m8sim commands on one mounted handset, reading their JSON records back.
class Looker {
 public:
  explicit Looker(const std::filesystem::path& home) : ctx_(out_, err_) {
    ctx_.json = true;
    ctx_.handset_option = home.string();
    ctx_.journal_file = false;
  }

  // The records the command printed; none when it failed.
  std::vector<nlohmann::json> Records(const std::vector<std::string>& args) {
    out_.str("");
    err_.str("");
    if (Run(ctx_, args) != 0) return {};
    std::vector<nlohmann::json> records;
    std::istringstream lines(out_.str());
    for (std::string line; std::getline(lines, line);) {
      nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
      if (record.is_object()) records.push_back(std::move(record));
    }
    return records;
  }

  // The first record, or null.
  nlohmann::json First(const std::vector<std::string>& args) {
    auto records = Records(args);
    return records.empty() ? nlohmann::json() : records.front();
  }

  // A registry value's decoded data, or null when it is not there.
  nlohmann::json Value(const std::string& key, const std::string& name) {
    nlohmann::json record = First({"reg", "get", key, name});
    return record.is_object() ? record.value("value", nlohmann::json()) : nlohmann::json();
  }

 private:
  std::ostringstream out_;
  std::ostringstream err_;
  Context ctx_;
};

}  // namespace

nlohmann::json HandsetView(const std::filesystem::path& home) {
  Looker look(home);
  nlohmann::json handset = look.First({"handset", "show"});
  if (!handset.is_object()) throw std::runtime_error("the handset cannot be mounted");
  nlohmann::json view;
  view["home"] = home.string();
  view["config"] = handset["config"];
  nlohmann::json devices = nlohmann::json::object();
  for (const auto& device : handset["devices"]) {
    std::string name = device.value("device", "");
    if (!name.empty()) devices[name] = look.First({"device", "show", name});
  }
  view["devices"] = devices;
  view["shell"] = look.First({"shell", "status"});
  view["sip"] = look.First({"sip"});
  view["registry"] = {
      {"flight_mode", look.Value(R"(HKCU\ControlPanel\Setting\FlyMode)", "FlyModeFlag")},
      {"data_switch", look.Value(R"(HKCU\ControlPanel\Setting\EDGE)", "Switch")},
      {"roaming", look.Value(R"(HKCU\ControlPanel\Setting\EDGE)", "RoamSwitch")},
      {"bluetooth", look.Value(R"(HKLM\SOFTWARE\Microsoft\Bluetooth\Razud)", "PowerOn")},
      {"gprs_sent_total", look.Value(R"(HKLM\DialParameter)", "gprsSendDataCount")},
      {"gprs_received_total", look.Value(R"(HKLM\DialParameter)", "gprsReceiveDataCount")}};
  view["state"] = sim::StateFile(home).ReadAll();
  return view;
}

}  // namespace m8sim
