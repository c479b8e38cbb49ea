#include "sim/drivers/usb_function/usb_function.h"

#include <algorithm>
#include <cstring>

#include "ce/errors.h"
#include "cehost/text.h"
#include "oem/drivers.h"
#include "sim/config_table.h"

namespace sim {

namespace {

cehost::DeviceListing UsbFunctionListing() {
  return {kUsbFunctionLegacyName,
          u"Drivers\\BuiltIn\\UsbFn",
          kUsbFunctionBusName,
          {kUsbFnControllerClass},
          std::nullopt};
}

// The connection types by name; "usb" is a cable to a computer too.
constexpr std::pair<std::string_view, DWORD> kConnections[] = {{"none", USB_CONNECT_NONE},
                                                               {"pc", USB_CONNECT_PC},
                                                               {"charger", USB_CONNECT_CHARGER},
                                                               {"usb", USB_CONNECT_PC}};

std::vector<std::u16string> ClientList(const std::string& text) {
  std::vector<std::u16string> names;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = std::min(text.find(',', start), text.size());
    std::string name = text.substr(start, end - start);
    name.erase(0, name.find_first_not_of(" \t"));
    name.erase(name.find_last_not_of(" \t") + 1);
    if (!name.empty()) names.push_back(cehost::ToUtf16(name));
    start = end + 1;
  }
  return names;
}

void CopyName(char16_t* to, size_t units, const std::u16string& name) {
  size_t n = std::min(name.size(), units - 1);
  std::copy_n(name.data(), n, to);
  to[n] = u'\0';
}

}  // namespace

UsbFunction::UsbFunction()
    : StreamDevice(kUsbFunctionProgram, "USB function controller", UsbFunctionListing(),
                   {{IOCTL_UFN_GET_CURRENT_CLIENT, "IOCTL_UFN_GET_CURRENT_CLIENT", 0,
                     sizeof(UFN_CLIENT_INFO)},
                    {IOCTL_UFN_CHANGE_CURRENT_CLIENT, "IOCTL_UFN_CHANGE_CURRENT_CLIENT",
                     sizeof(UFN_CLIENT_NAME), 0},
                    {IOCTL_UFN_GET_DEFAULT_CLIENT, "IOCTL_UFN_GET_DEFAULT_CLIENT", 0,
                     sizeof(UFN_CLIENT_INFO)},
                    {IOCTL_UFN_CHANGE_DEFAULT_CLIENT, "IOCTL_UFN_CHANGE_DEFAULT_CLIENT",
                     sizeof(UFN_CLIENT_NAME), 0},
                    {IOCTL_UFN_GET_CONNECT_TYPE, "IOCTL_UFN_GET_CONNECT_TYPE", 0, 4},
                    {IOCTL_UFN_SET_NOTIFY_MESSAGE, "IOCTL_UFN_SET_NOTIFY_MESSAGE", 4, 0}}) {}

void UsbFunction::SetConnection(DWORD connection) {
  UINT message;
  {
    std::lock_guard lock(mutex_);
    if (state_.connection == connection) return;
    state_.connection = connection;
    SaveLocked();
    message = state_.message;
  }
  Note(connection == USB_CONNECT_NONE ? "unplug" : "plug",
       {{"connection", ConnectionName(connection)}});
  if (message) Post(HWND_BROADCAST, message, connection, 0);
}

UsbFunctionState UsbFunction::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

std::vector<std::u16string> UsbFunction::Clients() const {
  std::lock_guard lock(mutex_);
  return clients_;
}

std::u16string UsbFunction::ClientDescription(const std::u16string& client) {
  if (client == u"Serial_Class") return u"USB Serial Client";
  if (client == u"Mass_Storage_Class") return u"USB Mass Storage Class";
  if (client == u"RNDIS_Class") return u"USB Remote NDIS Network Device";
  return client;
}

std::string UsbFunction::ConnectionName(DWORD connection) {
  for (const auto& [name, value] : kConnections)
    if (value == connection) return std::string(name);
  return std::to_string(connection);
}

std::string UsbFunction::Summary() const {
  std::lock_guard lock(mutex_);
  auto client = [](const std::u16string& name) {
    return name.empty() ? std::string("none") : cehost::ToUtf8(name);
  };
  return "connection " + ConnectionName(state_.connection) + ", client " +
         client(state_.current_client) + " (default " + client(state_.default_client) + ")" +
         (state_.message ? ", notifies with message " + std::to_string(state_.message)
                         : ", no message");
}

std::vector<std::pair<std::string, std::string>> UsbFunction::FieldHelp() const {
  return {
      {"connect", "the cable: none (0), pc or usb (1), charger (2); a change posts the message"},
      {"current_client", "the client presented now (a known one, or empty for none)"},
      {"default_client", "the client loaded by default"}};
}

void UsbFunction::SetFields(const std::vector<DeviceField>& fields) {
  UsbFunctionState next = State();
  for (const DeviceField& field : fields) {
    const std::string& f = field.first;
    if (f == "connect" || f == "connection") {
      auto named = std::find_if(std::begin(kConnections), std::end(kConnections),
                                [&](const auto& c) { return c.first == field.second; });
      next.connection = named != std::end(kConnections)
                            ? named->second
                            : static_cast<DWORD>(FieldInteger(field, 0, 2));
    } else if (f == "current_client" || f == "default_client") {
      std::u16string name = cehost::ToUtf16(field.second);
      std::lock_guard lock(mutex_);
      if (!name.empty() && !KnownLocked(name))
        throw DeviceFieldError(f + "=" + field.second + ": not a client the controller knows");
      (f == "current_client" ? next.current_client : next.default_client) = name;
    } else {
      UnknownField(field, device_name(), FieldHelp());
    }
  }
  {
    std::lock_guard lock(mutex_);
    state_.current_client = next.current_client;
    state_.default_client = next.default_client;
    SaveLocked();
  }
  SetConnection(next.connection);
}

std::vector<std::string_view> UsbFunction::StateKeys() const {
  return {"connection", "current_client", "default_client", "clients"};
}

void UsbFunction::ConfigureState(const ConfigTable& table) {
  if (table.Has("clients")) {
    std::string list;
    table.Read("clients", &list);
    clients_ = ClientList(list);
  }
  table.ReadChoice<DWORD>(
      "connection",
      {{"none", USB_CONNECT_NONE}, {"pc", USB_CONNECT_PC}, {"charger", USB_CONNECT_CHARGER}},
      &initial_.connection);
  for (const char* key : {"current_client", "default_client"}) {
    std::u16string& client = std::string_view(key) == "current_client" ? initial_.current_client
                                                                       : initial_.default_client;
    table.Read(key, &client);
    if (!client.empty() && !KnownLocked(client)) table.Fail(key, "not one of the clients");
  }
}

void UsbFunction::LoadState(const nlohmann::json& saved) {
  state_ = initial_;
  if (!saved.is_object()) return;
  DWORD connection = saved.value("connection", initial_.connection);
  if (connection <= USB_CONNECT_CHARGER) state_.connection = connection;
  state_.message = saved.value("message", 0u);
  for (const char* key : {"current_client", "default_client"}) {
    if (!saved.contains(key) || !saved[key].is_string()) continue;
    std::u16string client = cehost::ToUtf16(saved[key].get<std::string>());
    if (client.empty() || KnownLocked(client))
      (std::string_view(key) == "current_client" ? state_.current_client : state_.default_client) =
          client;
  }
}

nlohmann::json UsbFunction::SavedState() const {
  return {{"connection", state_.connection},
          {"connection_name", ConnectionName(state_.connection)},
          {"message", state_.message},
          {"current_client", cehost::ToUtf8(state_.current_client)},
          {"default_client", cehost::ToUtf8(state_.default_client)}};
}

bool UsbFunction::KnownLocked(const std::u16string& client) const {
  return std::find(clients_.begin(), clients_.end(), client) != clients_.end();
}

BOOL UsbFunction::Control(DWORD code, const uint8_t* in, DWORD, uint8_t* out, DWORD,
                          DWORD* returned) {
  if (code == IOCTL_UFN_CHANGE_CURRENT_CLIENT || code == IOCTL_UFN_CHANGE_DEFAULT_CLIENT)
    return ChangeClient(code, in);
  std::lock_guard lock(mutex_);
  switch (code) {
    case IOCTL_UFN_GET_CURRENT_CLIENT:
    case IOCTL_UFN_GET_DEFAULT_CLIENT: {
      const std::u16string& client =
          code == IOCTL_UFN_GET_CURRENT_CLIENT ? state_.current_client : state_.default_client;
      UFN_CLIENT_INFO info{};
      CopyName(info.szName, std::size(info.szName), client);
      CopyName(info.szDescription, std::size(info.szDescription),
               client.empty() ? u"" : ClientDescription(client));
      std::memcpy(out, &info, sizeof info);
      *returned = sizeof info;
      return TRUE;
    }
    case IOCTL_UFN_GET_CONNECT_TYPE:
      PutDword(out, state_.connection);
      *returned = 4;
      return TRUE;
    case IOCTL_UFN_SET_NOTIFY_MESSAGE:
      state_.message = DwordAt(in);
      SaveLocked();
      return TRUE;
  }
  return Fail(ERROR_INVALID_PARAMETER);
}

BOOL UsbFunction::ChangeClient(DWORD code, const uint8_t* in) {
  UFN_CLIENT_NAME record;
  std::memcpy(&record, in, sizeof record);
  const char16_t* end = std::find(std::begin(record.szName), std::end(record.szName), u'\0');
  if (end == std::end(record.szName)) return Fail(ERROR_INVALID_PARAMETER);
  std::u16string name(static_cast<const char16_t*>(record.szName), end);
  bool represented = false;
  {
    std::lock_guard lock(mutex_);
    if (!name.empty() && !KnownLocked(name)) return Fail(ERROR_INVALID_PARAMETER);
    if (code == IOCTL_UFN_CHANGE_CURRENT_CLIENT) {
      represented = state_.connection == USB_CONNECT_PC && state_.current_client != name;
      state_.current_client = name;
    } else {
      state_.default_client = name;
    }
    SaveLocked();
  }
  if (represented) Note("re-present", {{"client", name.empty() ? "none" : cehost::ToUtf8(name)}});
  return TRUE;
}

}  // namespace sim
