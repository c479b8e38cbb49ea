// RAS as Windows CE documents it: RasGetEntryProperties' size protocol (the default entry ""
// asked for with no buffer, as the library asks before storing its GPRS entry),
// RasSetEntryProperties, RasDeleteEntry, RasDial without a notifier (synchronous), RasHangUp and
// RasEnumConnections' size protocol, which the library follows to hang up every GPRS connection.
// Every check is CE-only: CE keeps the phone book in the registry (the phone-book argument must
// be null) and its RASENTRY and RASCONN differ from desktop Windows' (RASCONN has no device
// fields), so desktop answers would not say what the handset does; Wine's RAS calls are stubs
// besides. The checks dial over modems they put on the handset themselves, so the Win32 build
// leaves this file out.
#include <memory>
#include <string>
#include <vector>

#include "ce/ras.h"
#include "cehost/ras.h"
#include "check.h"
#include "rows.h"

namespace {

// A modem that connects every dial and holds the connection until it is hung up.
class Modem : public cehost::RasDevice {
 public:
  DWORD Dial(const cehost::DialRequest& request) override {
    held_ = request.entry_name;
    return 0;
  }
  DWORD HangUp(std::u16string_view) override {
    held_.clear();
    return 0;
  }
  std::vector<std::u16string> Connections() override {
    if (held_.empty()) return {};
    return {held_};
  }

 private:
  std::u16string held_;
};

WCHAR* Text(const WCHAR* text) {
  return const_cast<WCHAR*>(text);
}

// An entry over the named device, with its phone number.
RASENTRY Entry(const WCHAR* device, const WCHAR* number) {
  RASENTRY entry{};
  entry.dwSize = sizeof entry;
  entry.dwfNetProtocols = RASNP_Ip;
  entry.dwFramingProtocol = RASFP_Ppp;
  for (size_t i = 0; RASDT_Modem[i]; ++i) entry.szDeviceType[i] = RASDT_Modem[i];
  for (size_t i = 0; device[i]; ++i) entry.szDeviceName[i] = device[i];
  for (size_t i = 0; number[i]; ++i) entry.szLocalPhoneNumber[i] = number[i];
  return entry;
}

DWORD Store(const WCHAR* name, RASENTRY entry) {
  return RasSetEntryProperties(nullptr, Text(name), &entry, sizeof entry, nullptr, 0);
}

// Dials the entry synchronously, as the library does (no notifier).
HRASCONN Dial(const WCHAR* name, DWORD* result) {
  RASDIALPARAMS params{};
  params.dwSize = sizeof params;
  for (size_t i = 0; name[i]; ++i) params.szEntryName[i] = name[i];
  HRASCONN connection = nullptr;
  *result = RasDial(nullptr, nullptr, &params, 0xFFFFFFFF, nullptr, &connection);
  return connection;
}

// With no entry buffer, or one of fewer bytes than a RASENTRY, RasGetEntryProperties answers
// ERROR_BUFFER_TOO_SMALL and the size of a RASENTRY; "" is the default entry, which the library
// asks for in this way. A RASENTRY whose dwSize is not its size is ERROR_INVALID_SIZE; a missing
// entry ERROR_CANNOT_FIND_PHONEBOOK_ENTRY; no size pointer ERROR_INVALID_PARAMETER.
CE_ONLY_CASE(ras, entry_properties_report_the_entry_size) {
  const DWORD size = sizeof(RASENTRY);
  DWORD asked = 0;
  EXPECT_SAME(RasGetEntryProperties(nullptr, Text(WS("")), nullptr, &asked, nullptr, nullptr),
              DWORD{ERROR_BUFFER_TOO_SMALL});
  EXPECT_SAME(asked, size);

  RASENTRY entry{};
  entry.dwSize = size;
  asked = size - 1;
  EXPECT_SAME(RasGetEntryProperties(nullptr, Text(WS("")), &entry, &asked, nullptr, nullptr),
              DWORD{ERROR_BUFFER_TOO_SMALL});
  EXPECT_SAME(asked, size);
  asked = size;
  EXPECT_SAME(RasGetEntryProperties(nullptr, Text(WS("")), &entry, &asked, nullptr, nullptr),
              DWORD{ERROR_SUCCESS});
  EXPECT_SAME(entry.dwSize, size);
  entry.dwSize = size - 4;
  EXPECT_SAME(RasGetEntryProperties(nullptr, Text(WS("")), &entry, &asked, nullptr, nullptr),
              DWORD{ERROR_INVALID_SIZE});
  entry.dwSize = size;
  EXPECT_SAME(
      RasGetEntryProperties(nullptr, Text(WS("NoSuchEntry")), &entry, &asked, nullptr, nullptr),
      DWORD{ERROR_CANNOT_FIND_PHONEBOOK_ENTRY});
  EXPECT_SAME(RasGetEntryProperties(nullptr, Text(WS("")), &entry, nullptr, nullptr, nullptr),
              DWORD{ERROR_INVALID_PARAMETER});
}

// An entry stored with a device configuration reads back as stored, the configuration through
// the same size protocol; it is replaced by storing it again and gone once deleted.
CE_ONLY_CASE(ras, entries_are_stored_read_back_and_deleted) {
  UNIMODEM_DEVCONFIG config{};
  const WCHAR modifier[] = WS("+CGDCONT=1");
  for (size_t i = 0; modifier[i]; ++i) config.szDialModifier[i] = modifier[i];
  RASENTRY stored = Entry(WS("Conformance modem"), WS("*99#"));
  EXPECT_SAME(RasSetEntryProperties(nullptr, Text(WS("Conformance")), &stored, sizeof stored,
                                    reinterpret_cast<BYTE*>(&config), sizeof config),
              DWORD{ERROR_SUCCESS});

  RASENTRY entry{};
  entry.dwSize = sizeof entry;
  DWORD entry_size = sizeof entry;
  DWORD config_size = 0;
  EXPECT_SAME(RasGetEntryProperties(nullptr, Text(WS("Conformance")), &entry, &entry_size, nullptr,
                                    &config_size),
              DWORD{ERROR_BUFFER_TOO_SMALL});
  EXPECT_SAME(config_size, DWORD{sizeof config});
  UNIMODEM_DEVCONFIG read{};
  EXPECT_SAME(RasGetEntryProperties(nullptr, Text(WS("Conformance")), &entry, &entry_size,
                                    reinterpret_cast<BYTE*>(&read), &config_size),
              DWORD{ERROR_SUCCESS});
  EXPECT_SAME(WideString(entry.szLocalPhoneNumber), WideString(WS("*99#")));
  EXPECT_SAME(WideString(entry.szDeviceName), WideString(WS("Conformance modem")));
  EXPECT_SAME(WideString(read.szDialModifier), WideString(modifier));

  EXPECT_SAME(Store(WS("Conformance"), Entry(WS("Conformance modem"), WS("#777"))),
              DWORD{ERROR_SUCCESS});
  EXPECT_SAME(RasGetEntryProperties(nullptr, Text(WS("Conformance")), &entry, &entry_size, nullptr,
                                    nullptr),
              DWORD{ERROR_SUCCESS});
  EXPECT_SAME(WideString(entry.szLocalPhoneNumber), WideString(WS("#777")));

  EXPECT_SAME(RasDeleteEntry(nullptr, Text(WS("Conformance"))), DWORD{ERROR_SUCCESS});
  EXPECT_SAME(RasGetEntryProperties(nullptr, Text(WS("Conformance")), &entry, &entry_size, nullptr,
                                    nullptr),
              DWORD{ERROR_CANNOT_FIND_PHONEBOOK_ENTRY});
  EXPECT_SAME(RasDeleteEntry(nullptr, Text(WS("Conformance"))),
              DWORD{ERROR_CANNOT_FIND_PHONEBOOK_ENTRY});
}

// Entries the phone book refuses: a RASENTRY of the wrong size, a name longer than
// RAS_MaxEntryName or empty.
CE_ONLY_CASE(ras, bad_entries_are_refused) {
  RASENTRY entry = Entry(WS("Conformance modem"), WS("*99#"));
  EXPECT_SAME(
      RasSetEntryProperties(nullptr, Text(WS("Conformance")), &entry, sizeof entry - 4, nullptr, 0),
      DWORD{ERROR_INVALID_SIZE});
  entry.dwSize = sizeof entry - 4;
  EXPECT_SAME(Store(WS("Conformance"), entry), DWORD{ERROR_INVALID_SIZE});
  entry.dwSize = sizeof entry;
  EXPECT_SAME(Store(WS("ABCDEFGHIJKLMNOPQRSTU"), entry), DWORD{ERROR_INVALID_NAME});
  EXPECT_SAME(Store(WS(""), entry), DWORD{ERROR_INVALID_NAME});
  EXPECT_SAME(Store(WS("ABCDEFGHIJKLMNOPQRST"), entry), DWORD{ERROR_SUCCESS});
}

// RasEnumConnections: the first RASCONN's dwSize must be its size (else ERROR_INVALID_SIZE); with
// no connection a buffer gives none; with a buffer too small, or none, ERROR_BUFFER_TOO_SMALL
// with the bytes needed and the count. A synchronous dial is up when RasDial returns; RasHangUp
// ends it, and a dead handle is ERROR_INVALID_HANDLE.
CE_ONLY_CASE(ras, connections_are_listed_with_the_size_protocol) {
  RASCONN list[2] = {};
  list[0].dwSize = sizeof(RASCONN);
  DWORD size = sizeof list;
  DWORD count = 99;
  EXPECT_SAME(RasEnumConnections(list, &size, &count), DWORD{ERROR_SUCCESS});
  EXPECT_SAME(count, DWORD{0});
  list[0].dwSize = sizeof(RASCONN) - 4;
  EXPECT_SAME(RasEnumConnections(list, &size, &count), DWORD{ERROR_INVALID_SIZE});
  list[0].dwSize = sizeof(RASCONN);

  cehost::InstallRasDevice(u"Conformance modem 1", std::make_shared<Modem>());
  cehost::InstallRasDevice(u"Conformance modem 2", std::make_shared<Modem>());
  EXPECT_SAME(Store(WS("First"), Entry(WS("Conformance modem 1"), WS("1"))), DWORD{0});
  EXPECT_SAME(Store(WS("Second"), Entry(WS("Conformance modem 2"), WS("2"))), DWORD{0});
  DWORD dialled = 99;
  HRASCONN first = Dial(WS("First"), &dialled);
  EXPECT_SAME(dialled, DWORD{0});
  HRASCONN second = Dial(WS("Second"), &dialled);
  EXPECT_SAME(dialled, DWORD{0});

  size = sizeof(RASCONN);
  EXPECT_SAME(RasEnumConnections(list, &size, &count), DWORD{ERROR_BUFFER_TOO_SMALL});
  EXPECT_SAME(size, DWORD{2 * sizeof(RASCONN)});
  EXPECT_SAME(count, DWORD{2});
  size = 0;
  EXPECT_SAME(RasEnumConnections(nullptr, &size, &count), DWORD{ERROR_BUFFER_TOO_SMALL});
  EXPECT_SAME(size, DWORD{2 * sizeof(RASCONN)});
  size = sizeof list;
  EXPECT_SAME(RasEnumConnections(list, &size, &count), DWORD{ERROR_SUCCESS});
  EXPECT_SAME(count, DWORD{2});
  EXPECT_SAME(WideString(list[0].szEntryName) + WS(",") + WideString(list[1].szEntryName),
              WideString(WS("First,Second")));

  EXPECT_SAME(RasHangUp(first), DWORD{ERROR_SUCCESS});
  EXPECT_SAME(RasHangUp(first), DWORD{ERROR_INVALID_HANDLE});
  size = sizeof list;
  EXPECT_SAME(RasEnumConnections(list, &size, &count), DWORD{ERROR_SUCCESS});
  EXPECT_SAME(count, DWORD{1});
  EXPECT_SAME(list[0].hrasconn, second);
  EXPECT_SAME(RasHangUp(second), DWORD{ERROR_SUCCESS});
}

}  // namespace
