#include "sim/modem/modem.h"

#include <cstring>

#include "cehost/handset.h"
#include "cehost/network.h"
#include "cehost/text.h"
#include "sim/network/network.h"
#include "sim/phone_adapter/phone.h"
#include "sim/state_file.h"
#include "sim/state_values.h"

namespace sim {

namespace {

// The modem's section of state.json.
constexpr char kModemState[] = "modem";

// The quoted arguments of a command, in order: +XGAUTH=1,1,"user","pw" gives user and pw.
std::vector<std::u16string> Quoted(std::u16string_view command) {
  std::vector<std::u16string> out;
  for (size_t open = command.find(u'"'); open != command.npos;) {
    size_t close = command.find(u'"', open + 1);
    if (close == command.npos) break;
    out.emplace_back(command.substr(open + 1, close - open - 1));
    open = command.find(u'"', close + 1);
  }
  return out;
}

void Record(std::vector<std::pair<std::string, std::string>> fields) {
  cehost::RecordEffect(cehost::CurrentJournal(), cehost::EffectKind::kModem, std::move(fields));
}

}  // namespace

ModemDial ParseDialModifier(std::u16string_view modifier) {
  ModemDial dial;
  dial.modifier = modifier;
  size_t start = 0;
  while (start < modifier.size()) {
    size_t end = modifier.find(u';', start);
    if (end == modifier.npos) end = modifier.size();
    std::u16string command(modifier.substr(start, end - start));
    if (!command.empty()) dial.commands.push_back(command);
    start = end + 1;
  }
  for (const auto& command : dial.commands) {
    auto args = Quoted(command);
    if (command.starts_with(u"+CGDCONT=") && args.size() >= 2) {
      dial.apn = args[1];
    } else if (command.starts_with(u"+XGAUTH=") && args.size() >= 2) {
      // +XGAUTH=<context>,<type>,"user","password"
      size_t comma = command.find(u',');
      dial.auth_type = comma == command.npos ? 0 : command[comma + 1] - u'0';
      dial.auth_user = args[0];
      dial.auth_password = args[1];
    }
  }
  return dial;
}

DWORD Modem::Dial(const cehost::DialRequest& request) {
  std::u16string modifier;
  if (request.device_config.size() == sizeof(UNIMODEM_DEVCONFIG)) {
    UNIMODEM_DEVCONFIG config;
    std::memcpy(&config, request.device_config.data(), sizeof config);
    size_t length = 0;
    while (length < std::size(config.szDialModifier) && config.szDialModifier[length]) ++length;
    modifier.assign(config.szDialModifier, length);
  }
  ModemDial dial = ParseDialModifier(modifier);
  size_t number_length = 0;
  while (number_length < std::size(request.entry.szLocalPhoneNumber) &&
         request.entry.szLocalPhoneNumber[number_length])
    ++number_length;
  dial.number.assign(request.entry.szLocalPhoneNumber, number_length);
  dial.user_name = request.user_name;
  dial.password = request.password;

  std::unique_lock lock(mutex_);
  last_ = dial;
  DWORD result = script_.dial_result;
  // Without a packet data context the network has nothing to connect to.
  if (result == 0 && dial.apn.empty()) result = ERROR_NO_CARRIER;
  std::string address = script_.address;
  lock.unlock();

  if (result == 0) {
    StateFile(home_).Update(kModemState, [&](nlohmann::json& section) {
      section = {{"entry", cehost::ToUtf8(request.entry_name)},
                 {"address", address},
                 {"apn", cehost::ToUtf8(dial.apn)}};
    });
  }
  std::string commands;
  for (const auto& command : dial.commands) commands += "AT" + cehost::ToUtf8(command) + "\n";
  Record({{"event", "dial"},
          {"number", cehost::ToUtf8(dial.number)},
          {"commands", commands},
          {"apn", cehost::ToUtf8(dial.apn)},
          {"user", cehost::ToUtf8(dial.user_name)},
          {"result", std::to_string(result)}});
  if (result != 0) return result;
  if (std::shared_ptr<Phone> phone = CurrentPhone())
    phone->ChangeLive([](PhoneLive& live) { live.gprs_attached = true; });
  return 0;
}

DWORD Modem::HangUp(std::u16string_view entry_name) {
  DWORD refused = 0;
  DWORD sent = 0;
  DWORD received = 0;
  {
    std::lock_guard lock(mutex_);
    refused = script_.hangup_result;
    sent = script_.connection_sent;
    received = script_.connection_received;
  }
  if (refused != 0) {
    Record({{"event", "hangup"}, {"result", std::to_string(refused)}});
    return refused;
  }
  std::string entry = cehost::ToUtf8(entry_name);
  StateFile state(home_);
  if (StateText(state.Read(kModemState), "entry", "") != entry) return 0;
  bool ended = false;
  state.Update(kModemState, [&](nlohmann::json& section) {
    ended = StateText(section, "entry", "") == entry;
    if (ended) section = nullptr;
  });
  if (!ended) return 0;
  if (std::shared_ptr<Phone> phone = CurrentPhone()) {
    phone->ChangeLive([sent, received](PhoneLive& live) {
      live.traffic_sent += sent;
      live.traffic_received += received;
    });
  }
  Record({{"event", "hangup"},
          {"sent", std::to_string(sent)},
          {"received", std::to_string(received)}});
  return 0;
}

std::vector<std::u16string> Modem::Connections() {
  std::string entry = StateText(StateFile(home_).Read(kModemState), "entry", "");
  if (entry.empty()) return {};
  return {cehost::ToUtf16(entry)};
}

bool Modem::Connected() {
  return !Connections().empty();
}

std::vector<cehost::NetworkInterface> Modem::Links() {
  nlohmann::json section = StateFile(home_).Read(kModemState);
  if (StateText(section, "entry", "").empty()) return {};
  return {GprsLinkInterface(StateText(section, "address", "0.0.0.0"))};
}

ModemDial Modem::LastDial() {
  std::lock_guard lock(mutex_);
  return last_;
}

}  // namespace sim
