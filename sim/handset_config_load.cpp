// Reading handset.toml with toml++.
#include <arpa/inet.h>

#include <toml++/toml.h>
#include <initializer_list>
#include <limits>
#include <set>
#include <string>

#include "cehost/text.h"
#include "sim/handset_config.h"

namespace sim {

namespace {

class Reader {
 public:
  explicit Reader(std::string file) : file_(std::move(file)) {}

  [[noreturn]] void Fail(const toml::source_region& where, const std::string& key,
                         const std::string& what) const {
    throw HandsetConfigError(file_ + ":" + std::to_string(where.begin.line) + ": " + key + ": " +
                             what);
  }

  // Refuses a key of the table that is not among the known ones.
  void OnlyKeys(const toml::table& table, const std::string& prefix,
                std::initializer_list<std::string_view> known) const {
    for (auto&& [key, node] : table) {
      bool found = false;
      for (std::string_view name : known) found = found || key.str() == name;
      if (!found) Fail(key.source(), prefix + std::string(key.str()), "unknown key");
    }
  }

  // The table under the key, or null when it is missing.
  const toml::table* Table(const toml::table& parent, const std::string& key) const {
    const toml::node* node = parent.get(key);
    if (!node) return nullptr;
    if (!node->is_table()) Fail(node->source(), key, "expected a table");
    return node->as_table();
  }

  void Read(const toml::table& t, const std::string& prefix, const char* key,
            std::string* out) const {
    if (const toml::node* node = t.get(key)) {
      if (!node->is_string()) Fail(node->source(), prefix + key, "expected a string");
      *out = node->as_string()->get();
    }
  }

  void Read(const toml::table& t, const std::string& prefix, const char* key,
            std::u16string* out) const {
    std::string text = cehost::ToUtf8(*out);
    Read(t, prefix, key, &text);
    *out = cehost::ToUtf16(text);
  }

  void Read(const toml::table& t, const std::string& prefix, const char* key, bool* out) const {
    if (const toml::node* node = t.get(key)) {
      if (!node->is_boolean()) Fail(node->source(), prefix + key, "expected true or false");
      *out = node->as_boolean()->get();
    }
  }

  void Read(const toml::table& t, const std::string& prefix, const char* key, uint32_t* out) const {
    *out = static_cast<uint32_t>(
        Integer(t, prefix, key, 0, std::numeric_limits<uint32_t>::max(), *out));
  }

  void Read(const toml::table& t, const std::string& prefix, const char* key, int32_t* out) const {
    *out = static_cast<int32_t>(Integer(t, prefix, key, std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max(), *out));
  }

  // A dotted IPv4 address.
  void ReadAddress(const toml::table& t, const std::string& prefix, const char* key,
                   std::string* out) const {
    Read(t, prefix, key, out);
    in_addr parsed;
    if (t.get(key) && inet_pton(AF_INET, out->c_str(), &parsed) != 1)
      Fail(t.get(key)->source(), prefix + key, "expected a dotted IPv4 address");
  }

  // One of the named choices.
  template <class T>
  void ReadChoice(const toml::table& t, const std::string& prefix, const char* key,
                  std::initializer_list<std::pair<std::string_view, T>> choices, T* out) const {
    const toml::node* node = t.get(key);
    if (!node) return;
    std::string text;
    Read(t, prefix, key, &text);
    std::string names;
    for (const auto& [name, value] : choices) {
      if (text == name) {
        *out = value;
        return;
      }
      names += (names.empty() ? "\"" : ", \"") + std::string(name) + "\"";
    }
    Fail(node->source(), prefix + key, "expected one of " + names);
  }

 private:
  int64_t Integer(const toml::table& t, const std::string& prefix, const char* key, int64_t low,
                  int64_t high, int64_t fallback) const {
    const toml::node* node = t.get(key);
    if (!node) return fallback;
    if (!node->is_integer() || node->as_integer()->get() < low || node->as_integer()->get() > high)
      Fail(node->source(), prefix + key,
           "expected an integer from " + std::to_string(low) + " to " + std::to_string(high));
    return node->as_integer()->get();
  }

  std::string file_;
};

void ReadPlatform(const Reader& r, const toml::table& t, HandsetConfig* config) {
  r.OnlyKeys(t, "platform.", {"record", "hardware_version", "wifi"});
  r.Read(t, "platform.", "record", &config->platform_record);
  r.Read(t, "platform.", "hardware_version", &config->hardware_version);
  r.Read(t, "platform.", "wifi", &config->wifi);
}

void ReadPhone(const Reader& r, const toml::table& t, PhoneScript* phone) {
  const std::string p = "phone.";
  r.OnlyKeys(t, p,
             {"imei", "imsi", "model", "registration_status", "session_status", "missed_calls",
              "unread_messages", "calls_in_progress", "traffic_sent", "traffic_received",
              "gprs_attached", "session_start_fails", "detach_refused", "traffic_read_fails",
              "imei_fails", "model_fails", "imsi_fails", "session_status_fails"});
  r.Read(t, p, "imei", &phone->imei);
  r.Read(t, p, "imsi", &phone->imsi);
  r.Read(t, p, "model", &phone->model);
  r.Read(t, p, "registration_status", &phone->registration_status);
  r.Read(t, p, "session_status", &phone->session_status);
  r.Read(t, p, "missed_calls", &phone->missed_calls);
  r.Read(t, p, "unread_messages", &phone->unread_messages);
  r.Read(t, p, "calls_in_progress", &phone->calls_in_progress);
  r.Read(t, p, "traffic_sent", &phone->traffic_sent);
  r.Read(t, p, "traffic_received", &phone->traffic_received);
  r.Read(t, p, "gprs_attached", &phone->gprs_attached);
  r.Read(t, p, "session_start_fails", &phone->session_start_fails);
  r.Read(t, p, "detach_refused", &phone->detach_refused);
  r.Read(t, p, "traffic_read_fails", &phone->traffic_read_fails);
  r.Read(t, p, "imei_fails", &phone->imei_fails);
  r.Read(t, p, "model_fails", &phone->model_fails);
  r.Read(t, p, "imsi_fails", &phone->imsi_fails);
  r.Read(t, p, "session_status_fails", &phone->session_status_fails);
}

void ReadModem(const Reader& r, const toml::table& t, ModemScript* modem) {
  const std::string p = "modem.";
  r.OnlyKeys(t, p, {"dial_result", "address", "connection_sent", "connection_received"});
  r.Read(t, p, "dial_result", &modem->dial_result);
  r.ReadAddress(t, p, "address", &modem->address);
  r.Read(t, p, "connection_sent", &modem->connection_sent);
  r.Read(t, p, "connection_received", &modem->connection_received);
}

void ReadBluetooth(const Reader& r, const toml::table& t, HandsetConfig* config) {
  const std::string p = "bluetooth.";
  r.OnlyKeys(t, p, {"applet", "power_result", "name_result", "name"});
  r.ReadChoice<Bluetooth::Applet>(t, p, "applet",
                                  {{"installed", Bluetooth::Applet::kInstalled},
                                   {"without-entry", Bluetooth::Applet::kWithoutEntry},
                                   {"missing", Bluetooth::Applet::kMissing}},
                                  &config->bluetooth_applet);
  r.Read(t, p, "power_result", &config->bluetooth.power_result);
  r.Read(t, p, "name_result", &config->bluetooth.name_result);
  r.Read(t, p, "name", &config->bluetooth.name);
}

// One interface: its kind's own fields, then the fields the table gives.
cehost::NetworkInterface ReadInterface(const Reader& r, const toml::table& t,
                                       const std::string& p) {
  r.OnlyKeys(t, p,
             {"kind", "chip", "index", "type", "description", "adapter_name", "address", "mask",
              "gateway", "has_route", "metric", "in_octets", "out_octets"});
  enum class Kind { kLoopback, kWifi, kUsb, kOther };
  if (!t.get("kind")) r.Fail(t.source(), p + "kind", "missing");
  Kind kind = Kind::kOther;
  r.ReadChoice<Kind>(t, p, "kind",
                     {{"loopback", Kind::kLoopback},
                      {"wifi", Kind::kWifi},
                      {"usb", Kind::kUsb},
                      {"other", Kind::kOther}},
                     &kind);
  WifiChip chip = WifiChip::kSwld24sp1;
  if (t.get("chip") && kind != Kind::kWifi)
    r.Fail(t.get("chip")->source(), p + "chip", "only a \"wifi\" interface has a chip");
  r.ReadChoice<WifiChip>(t, p, "chip",
                         {{"SWLD24SP1", WifiChip::kSwld24sp1}, {"SDIO86881", WifiChip::kSdio86881}},
                         &chip);
  std::string address = "192.168.1.20";
  r.ReadAddress(t, p, "address", &address);
  cehost::NetworkInterface link;
  if (kind == Kind::kLoopback) link = LoopbackInterface();
  if (kind == Kind::kWifi) link = WifiInterface(chip, address);
  if (kind == Kind::kUsb) link = UsbInterface();
  r.Read(t, p, "index", &link.index);
  r.Read(t, p, "type", &link.type);
  r.Read(t, p, "description", &link.description);
  r.Read(t, p, "adapter_name", &link.adapter_name);
  r.ReadAddress(t, p, "address", &link.address);
  r.ReadAddress(t, p, "mask", &link.mask);
  r.ReadAddress(t, p, "gateway", &link.gateway);
  r.Read(t, p, "has_route", &link.has_route);
  r.Read(t, p, "metric", &link.metric);
  r.Read(t, p, "in_octets", &link.in_octets);
  r.Read(t, p, "out_octets", &link.out_octets);
  return link;
}

void ReadNetwork(const Reader& r, const toml::table& t, HandsetConfig* config) {
  r.OnlyKeys(t, "network.", {"interfaces"});
  const toml::node* node = t.get("interfaces");
  if (!node) return;
  // An empty array says the handset starts with no interface at all.
  if (!node->is_array() || (!node->as_array()->empty() && !node->is_array_of_tables()))
    r.Fail(node->source(), "network.interfaces", "expected [[network.interfaces]] tables");
  config->interfaces.clear();
  std::set<uint32_t> indexes;
  size_t n = 0;
  for (const toml::node& item : *node->as_array()) {
    std::string prefix = "network.interfaces[" + std::to_string(n++) + "].";
    cehost::NetworkInterface link = ReadInterface(r, *item.as_table(), prefix);
    if (!indexes.insert(link.index).second)
      r.Fail(item.source(), prefix + "index", "index " + std::to_string(link.index) + " is taken");
    config->interfaces.push_back(std::move(link));
  }
}

}  // namespace

HandsetConfig LoadHandsetConfig(const std::filesystem::path& toml_file) {
  Reader r(toml_file.string());
  toml::table root;
  try {
    root = toml::parse_file(toml_file.string());
  } catch (const toml::parse_error& e) {
    r.Fail(e.source(), "syntax", std::string(e.description()));
  }
  HandsetConfig config;
  r.OnlyKeys(root, "", {"platform", "phone", "modem", "bluetooth", "network"});
  if (auto* t = r.Table(root, "platform")) ReadPlatform(r, *t, &config);
  if (auto* t = r.Table(root, "phone")) ReadPhone(r, *t, &config.phone);
  if (auto* t = r.Table(root, "modem")) ReadModem(r, *t, &config.modem);
  if (auto* t = r.Table(root, "bluetooth")) ReadBluetooth(r, *t, &config);
  if (auto* t = r.Table(root, "network")) ReadNetwork(r, *t, &config);
  return config;
}

}  // namespace sim
