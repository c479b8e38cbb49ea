// The access point of a dial, and the RAS entry and modem configuration made from it.
#include <cstring>

#include "ce/kernel.h"
#include "ce/text.h"
#include "frame/registry_value.h"
#include "frame/wide_copy.h"
#include "telephony/gprs_dial.h"

namespace {

// The modem's settings for GPRS: version 0x30, a 120-second call set-up timer, tone dialling,
// 230400 baud, 8 data bits, one stop bit, no parity.
void SetModemSettings(UNIMODEM_DEVCONFIG* config) {
  config->wVersion = 0x0030;
  config->wWaitBong = 0;
  config->dwCallSetupFailTimer = 120;
  config->dwModemOptions = 0x00000100;
  config->dwBaudRate = 230400;
  config->wTermOptions = 0;
  config->ByteSize = 8;
  config->StopBits = 0;
  config->Parity = 0;
  config->bReserved = 0;
}

}  // namespace

bool GetAccessPointContent(LPCWSTR access_name, AccessPointContent* content) {
  std::memset(content, 0, sizeof *content);
  if (access_name && *access_name) {
    // A name that does not fit would name another access point: it is not used cut.
    if (wcslen(access_name) >= std::size(content->wszAccessName)) return false;
    wcscpy(content->wszAccessName, access_name);
  } else if (!GetDefaultAccessName(content->wszAccessName)) {
    NKDbgPrintfW(u"Corvanta::GetAccessPointContent::Get Default Access Name is fail\r\n");
    return false;
  }
  if (!ReadAccessPointContent(content)) {
    NKDbgPrintfW(u"Corvanta::GetAccessPointContent::fail to get default parameter\r\n");
    return false;
  }
  return true;
}

bool SetRasEntryParameter(RASENTRY* entry, UNIMODEM_DEVCONFIG* config,
                          const AccessPointContent& access_point) {
  std::memset(entry, 0, sizeof *entry);
  entry->dwSize = sizeof(RASENTRY);
  entry->dwfOptions = RASEO_IpHeaderCompression | RASEO_SwCompression;
  entry->dwCountryCode = 86;
  CopyWideBounded(entry->szAreaCode, u"10");
  CopyWideBounded(entry->szLocalPhoneNumber, u"*99**1#");
  entry->dwfNetProtocols = RASNP_Ip;
  entry->dwFramingProtocol = RASFP_Ppp;
  CopyWideBounded(entry->szDeviceType, RASDT_Modem);
  CopyWideBounded(entry->szDeviceName, u"Hayes COM9:");

  std::memset(config, 0, sizeof *config);
  SetModemSettings(config);

  DWORD auth_type = 0;
  ReadRegistryDword(HKEY_LOCAL_MACHINE, u"DialParameter", u"GprsApType", &auth_type);
  WCHAR auth[WSPRINTF_LIMIT] = {};
  if (auth_type == 1 || auth_type == 2) {
    wsprintfW(auth, u"+XGAUTH=1,%d,\"%s\",\"%s\";", auth_type, access_point.wszUserName,
              access_point.wszPassword);
  }
  // The authentication command has room for 63 characters and the modifier for 256: names
  // that do not fit would reach the network cut, so the entry is not made.
  if (wcslen(auth) > 63) return false;
  WCHAR modifier[WSPRINTF_LIMIT] = {};
  int length =
      wsprintfW(modifier, u"%s+CGATT=1;+CGDCONT=1,\"ip\",\"%s\";", auth, access_point.wszApn);
  if (length < 0 || static_cast<size_t>(length) >= std::size(config->szDialModifier)) return false;
  std::memcpy(config->szDialModifier, modifier, static_cast<size_t>(length) * sizeof(WCHAR));
  return true;
}
