// The RAS calls over the current handset's phone book, devices and connections.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ce/ras.h"
#include "ce/text.h"
#include "cehost/ras.h"
#include "cehost/text.h"
#include "handset/handset_state.h"
#include "ras/ras_service.h"
#include "ras/remote_ras.h"

namespace cehost {

namespace {

// Text of a fixed-size field, up to its terminator or its end.
template <size_t N>
std::u16string Field(const WCHAR (&text)[N]) {
  size_t length = 0;
  while (length < N && text[length]) ++length;
  return std::u16string(text, length);
}

// An entry name RAS accepts: 1 to 20 characters.
bool ValidName(LPCWSTR name) {
  if (!name) return false;
  size_t length = wcslen(name);
  return length > 0 && length <= RAS_MaxEntryName;
}

// Whether the device holds a connection on the entry now.
bool Holds(RasDevice& device, const std::u16string& entry_name) {
  auto held = device.Connections();
  return std::find(held.begin(), held.end(), entry_name) != held.end();
}

}  // namespace
}  // namespace cehost

using namespace cehost;

extern "C" DWORD RasGetEntryProperties(LPWSTR, LPWSTR szEntry, LPRASENTRY lpRasEntry,
                                       LPDWORD lpdwEntrySize, LPBYTE lpbDeviceInfo,
                                       LPDWORD lpdwDeviceInfoSize) {
  if (!lpdwEntrySize) return ERROR_INVALID_PARAMETER;
  RASENTRY entry = {};
  std::vector<uint8_t> device;
  // "" asks for the settings a new entry starts from.
  if (szEntry && *szEntry) {
    if (!LoadPhoneBookEntry(szEntry, &entry, &device)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  } else {
    entry.dwSize = sizeof(RASENTRY);
  }
  bool short_entry = !lpRasEntry || *lpdwEntrySize < sizeof(RASENTRY);
  // A missing device buffer is short only when there is a configuration to deliver.
  bool short_device = lpdwDeviceInfoSize && !device.empty() &&
                      (!lpbDeviceInfo || *lpdwDeviceInfoSize < device.size());
  if (short_entry || short_device) {
    *lpdwEntrySize = sizeof(RASENTRY);
    if (lpdwDeviceInfoSize) *lpdwDeviceInfoSize = static_cast<DWORD>(device.size());
    return ERROR_BUFFER_TOO_SMALL;
  }
  if (lpRasEntry->dwSize != sizeof(RASENTRY)) return ERROR_INVALID_SIZE;
  std::memcpy(lpRasEntry, &entry, sizeof entry);
  *lpdwEntrySize = sizeof(RASENTRY);
  if (lpdwDeviceInfoSize) {
    if (!device.empty() && lpbDeviceInfo) std::memcpy(lpbDeviceInfo, device.data(), device.size());
    *lpdwDeviceInfoSize = static_cast<DWORD>(device.size());
  }
  return ERROR_SUCCESS;
}

extern "C" DWORD RasSetEntryProperties(LPWSTR, LPWSTR szEntry, LPRASENTRY lpRasEntry,
                                       DWORD dwEntrySize, LPBYTE lpbDeviceInfo,
                                       DWORD dwDeviceInfoSize) {
  if (!lpRasEntry) return ERROR_INVALID_PARAMETER;
  if (dwEntrySize < sizeof(RASENTRY) || lpRasEntry->dwSize != sizeof(RASENTRY))
    return ERROR_INVALID_SIZE;
  if (!ValidName(szEntry)) return ERROR_INVALID_NAME;
  if (!lpbDeviceInfo) dwDeviceInfoSize = 0;
  HandsetState& state = Current();
  if (state.server)
    return RemoteRasSetEntry(*state.server, szEntry, *lpRasEntry, lpbDeviceInfo, dwDeviceInfoSize);
  if (state.ras.PhoneBookLocked()) return ERROR_CANNOT_OPEN_PHONEBOOK;
  if (!StorePhoneBookEntry(szEntry, *lpRasEntry, lpbDeviceInfo, dwDeviceInfoSize))
    return ERROR_CANNOT_OPEN_PHONEBOOK;
  std::vector<std::pair<std::string, std::string>> fields = {
      {"entry", ToUtf8(szEntry)},
      {"device_type", ToUtf8(Field(lpRasEntry->szDeviceType))},
      {"device", ToUtf8(Field(lpRasEntry->szDeviceName))},
      {"number", ToUtf8(Field(lpRasEntry->szLocalPhoneNumber))},
      {"country_code", std::to_string(lpRasEntry->dwCountryCode)},
      {"area_code", ToUtf8(Field(lpRasEntry->szAreaCode))},
      {"options", HexNumber(lpRasEntry->dwfOptions)},
      {"protocols", HexNumber(lpRasEntry->dwfNetProtocols)},
      {"framing", HexNumber(lpRasEntry->dwFramingProtocol)}};
  // A modem's configuration carries the AT commands it sends before dialling.
  if (dwDeviceInfoSize == sizeof(UNIMODEM_DEVCONFIG)) {
    const auto* config = reinterpret_cast<const UNIMODEM_DEVCONFIG*>(lpbDeviceInfo);
    fields.emplace_back("modifier", ToUtf8(Field(config->szDialModifier)));
  }
  RecordEffect(state.journal, EffectKind::kRasSetEntry, std::move(fields),
               std::vector<uint8_t>(lpbDeviceInfo, lpbDeviceInfo + dwDeviceInfoSize));
  return ERROR_SUCCESS;
}

extern "C" DWORD RasDial(LPRASDIALEXTENSIONS, LPWSTR, LPRASDIALPARAMS lpRasDialParams, DWORD,
                         LPVOID lpvNotifier, LPHRASCONN lphRasConn) {
  if (!lpRasDialParams || !lphRasConn) return ERROR_INVALID_PARAMETER;
  if (lpRasDialParams->dwSize != sizeof(RASDIALPARAMS)) return ERROR_INVALID_SIZE;
  // Only the synchronous dial is offered: a notifier would need a window or a callback thread
  // that no caller of this handset uses.
  if (lpvNotifier) return ERROR_NOT_SUPPORTED;
  HandsetState& state = Current();
  if (state.server) return RemoteRasDial(*state.server, *lpRasDialParams, lphRasConn);
  DialRequest request;
  request.entry_name = Field(lpRasDialParams->szEntryName);
  request.user_name = Field(lpRasDialParams->szUserName);
  request.password = Field(lpRasDialParams->szPassword);
  if (!LoadPhoneBookEntry(request.entry_name, &request.entry, &request.device_config))
    return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;

  std::shared_ptr<RasDevice> device = state.ras.Device(Field(request.entry.szDeviceName));
  auto connection = std::make_shared<RasConnection>(request.entry_name, device);
  connection->handle = state.handles.Insert(connection);
  // The handle is the caller's to hang up, whether or not the dial succeeds.
  *lphRasConn = HandleTable::ToHandle<HRASCONN>(connection->handle);

  DWORD result = ERROR_DEVICE_DOES_NOT_EXIST;
  if (device) {
    // A device carries one connection, whichever process dialled it.
    result = device->Connections().empty() ? device->Dial(request) : ERROR_PORT_ALREADY_OPEN;
  }
  if (result == ERROR_SUCCESS) state.ras.Connected(connection);
  RecordEffect(state.journal, EffectKind::kRasDial,
               {{"entry", ToUtf8(request.entry_name)},
                {"device", ToUtf8(Field(request.entry.szDeviceName))},
                {"user", ToUtf8(request.user_name)},
                {"result", std::to_string(result)}});
  return result;
}

extern "C" DWORD RasHangUp(HRASCONN hrasconn) {
  HandsetState& state = Current();
  if (state.server) return RemoteRasHangUp(*state.server, hrasconn);
  auto connection = state.handles.Get<RasConnection>(hrasconn, HandleKind::kRasConnection);
  if (!connection) return ERROR_INVALID_HANDLE;
  const std::u16string& name = connection->entry_name();
  // Only the device's own word counts: another process may have hung the connection up.
  RasDevice* device = connection->device();
  bool was_up = state.ras.IsUp(connection->handle) && device && Holds(*device, name);
  DWORD result = was_up ? device->HangUp(name) : ERROR_SUCCESS;
  RecordEffect(state.journal, EffectKind::kRasHangUp,
               {{"entry", ToUtf8(name)},
                {"was_up", was_up ? "1" : "0"},
                {"result", std::to_string(result)}});
  // A device that refuses keeps the connection up, and its holder the handle.
  if (result != ERROR_SUCCESS) return result;
  state.handles.Remove(connection->handle, HandleKind::kRasConnection);
  state.ras.Disconnect(*connection);
  return ERROR_SUCCESS;
}

extern "C" DWORD RasEnumConnections(LPRASCONN lprasconn, LPDWORD lpcb, LPDWORD lpcConnections) {
  if (!lpcb || !lpcConnections) return ERROR_INVALID_PARAMETER;
  if (lprasconn && lprasconn->dwSize != sizeof(RASCONN)) return ERROR_INVALID_SIZE;
  HandsetState& state = Current();
  // The connections up, by handle value and entry name.
  std::vector<std::pair<uint32_t, std::u16string>> connections;
  if (state.server) {
    connections = RemoteRasConnections(*state.server);
  } else {
    for (const auto& [value, connection] : state.ras.Connections(state.handles))
      connections.emplace_back(value, connection->entry_name());
  }
  DWORD count = static_cast<DWORD>(connections.size());
  DWORD needed = count * static_cast<DWORD>(sizeof(RASCONN));
  if (!lprasconn || *lpcb < needed) {
    *lpcb = needed;
    *lpcConnections = count;
    return needed == 0 && lprasconn ? ERROR_SUCCESS : ERROR_BUFFER_TOO_SMALL;
  }
  DWORD i = 0;
  for (const auto& [value, name] : connections) {
    RASCONN& out = lprasconn[i++];
    out = RASCONN{};
    out.dwSize = sizeof(RASCONN);
    out.hrasconn = HandleTable::ToHandle<HRASCONN>(value);
    std::memcpy(out.szEntryName, name.data(),
                std::min<size_t>(name.size(), RAS_MaxEntryName) * sizeof(WCHAR));
  }
  *lpcb = needed;
  *lpcConnections = count;
  return ERROR_SUCCESS;
}

extern "C" DWORD RasDeleteEntry(LPWSTR, LPWSTR lpszEntry) {
  if (!ValidName(lpszEntry)) return ERROR_INVALID_NAME;
  if (auto server = Current().server) return RemoteRasDeleteEntry(*server, lpszEntry);
  if (!DeletePhoneBookEntry(lpszEntry)) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  RecordEffect(Current().journal, EffectKind::kRasDeleteEntry, {{"entry", ToUtf8(lpszEntry)}});
  return ERROR_SUCCESS;
}
