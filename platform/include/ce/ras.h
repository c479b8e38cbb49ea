// The RAS dial-up service: phone-book entries, kept in the registry, dialled over a device.
#pragma once

#include "ce/errors.h"
#include "ce/types.h"

#define RAS_MaxEntryName 20
#define RAS_MaxPhoneNumber 128
#define RAS_MaxCallbackNumber 48
#define RAS_MaxAreaCode 10
#define RAS_MaxDeviceType 16
#define RAS_MaxDeviceName 32
#define RAS_MaxPadType 32
#define RAS_MaxX25Address 200
#define RAS_MaxFacilities 200
#define RAS_MaxUserData 200
#define UNLEN 256
#define PWLEN 256
#define DNLEN 15

#define RASEO_IpHeaderCompression 0x00000008
#define RASEO_SwCompression 0x00000200
#define RASNP_Ip 0x00000004
#define RASFP_Ppp 0x00000001
#define RASDT_Modem u"modem"

#define ERROR_PORT_ALREADY_OPEN 602L
#define ERROR_BUFFER_TOO_SMALL 603L
#define ERROR_BUFFER_INVALID 610L
#define ERROR_CANNOT_OPEN_PHONEBOOK 621L
#define ERROR_CANNOT_FIND_PHONEBOOK_ENTRY 623L
#define ERROR_INVALID_SIZE 632L
#define ERROR_DEVICE_DOES_NOT_EXIST 657L
#define ERROR_NO_ANSWER 678L
#define ERROR_NO_CARRIER 679L
#define ERROR_NO_DIALTONE 680L
#define ERROR_AUTHENTICATION_FAILURE 691L

typedef struct _RASIPADDR {
  BYTE a, b, c, d;
} RASIPADDR;

// A phone-book entry: the Windows CE fields, then the 192 bytes the handset's RAS service keeps
// after them (always zero here), 3472 bytes in all.
typedef struct _RASENTRYW {
  DWORD dwSize;
  DWORD dwfOptions;
  DWORD dwCountryID;
  DWORD dwCountryCode;
  WCHAR szAreaCode[RAS_MaxAreaCode + 1];
  WCHAR szLocalPhoneNumber[RAS_MaxPhoneNumber + 1];
  DWORD dwAlternateOffset;
  RASIPADDR ipaddr;
  RASIPADDR ipaddrDns;
  RASIPADDR ipaddrDnsAlt;
  RASIPADDR ipaddrWins;
  RASIPADDR ipaddrWinsAlt;
  DWORD dwFrameSize;
  DWORD dwfNetProtocols;
  DWORD dwFramingProtocol;
  WCHAR szScript[MAX_PATH];
  WCHAR szAutodialDll[MAX_PATH];
  WCHAR szAutodialFunc[MAX_PATH];
  WCHAR szDeviceType[RAS_MaxDeviceType + 1];
  WCHAR szDeviceName[RAS_MaxDeviceName + 1];
  WCHAR szX25PadType[RAS_MaxPadType + 1];
  WCHAR szX25Address[RAS_MaxX25Address + 1];
  WCHAR szX25Facilities[RAS_MaxFacilities + 1];
  WCHAR szX25UserData[RAS_MaxUserData + 1];
  DWORD dwChannels;
  DWORD dwReserved1;
  DWORD dwReserved2;
  DWORD dwCustomAuthKey;
  BYTE abExtension[192];
} RASENTRYW, RASENTRY, *LPRASENTRY;
static_assert(offsetof(RASENTRY, dwAlternateOffset) == 296);
static_assert(offsetof(RASENTRY, szDeviceType) == 1892);
static_assert(offsetof(RASENTRY, szDeviceName) == 1926);
static_assert(offsetof(RASENTRY, abExtension) == 3280);
static_assert(sizeof(RASENTRY) == 3472);

typedef struct _RASDIALPARAMSW {
  DWORD dwSize;
  WCHAR szEntryName[RAS_MaxEntryName + 1];
  WCHAR szPhoneNumber[RAS_MaxPhoneNumber + 1];
  WCHAR szCallbackNumber[RAS_MaxCallbackNumber + 1];
  WCHAR szUserName[UNLEN + 1];
  WCHAR szPassword[PWLEN + 1];
  WCHAR szDomain[DNLEN + 1];
} RASDIALPARAMSW, RASDIALPARAMS, *LPRASDIALPARAMS;
static_assert(sizeof(RASDIALPARAMS) == 1464);

struct HRASCONN__;
typedef HRASCONN__* HRASCONN;
typedef HRASCONN* LPHRASCONN;

// One connection; the handle has the host's pointer width.
typedef struct _RASCONNW {
  DWORD dwSize;
  HRASCONN hrasconn;
  WCHAR szEntryName[RAS_MaxEntryName + 1];
} RASCONNW, RASCONN, *LPRASCONN;
static_assert(offsetof(RASCONN, szEntryName) == sizeof(void*) * 2);

typedef struct _RASDIALEXTENSIONS RASDIALEXTENSIONS, *LPRASDIALEXTENSIONS;

// The modem's device configuration stored with an entry: its settings and the dial modifier,
// the AT commands the modem sends before dialling. 536 bytes.
typedef struct _UNIMODEM_DEVCONFIG {
  WORD wVersion;
  WORD wWaitBong;
  DWORD dwCallSetupFailTimer;
  DWORD dwModemOptions;
  DWORD dwBaudRate;
  WORD wTermOptions;
  BYTE ByteSize;
  BYTE StopBits;
  BYTE Parity;
  BYTE bReserved;
  WCHAR szDialModifier[257];
} UNIMODEM_DEVCONFIG;
static_assert(offsetof(UNIMODEM_DEVCONFIG, szDialModifier) == 22);
static_assert(sizeof(UNIMODEM_DEVCONFIG) == 536);

extern "C" {

// Copies the named entry and its device configuration ("" asks for a default entry); with no
// entry buffer or a short one, ERROR_BUFFER_TOO_SMALL and the sizes needed.
DWORD RasGetEntryProperties(LPWSTR lpszPhonebook, LPWSTR szEntry, LPRASENTRY lpRasEntry,
                            LPDWORD lpdwEntrySize, LPBYTE lpbDeviceInfo,
                            LPDWORD lpdwDeviceInfoSize);

// Stores the entry (creating or replacing it) with its device configuration; 0 when stored.
DWORD RasSetEntryProperties(LPWSTR lpszPhonebook, LPWSTR szEntry, LPRASENTRY lpRasEntry,
                            DWORD dwEntrySize, LPBYTE lpbDeviceInfo, DWORD dwDeviceInfoSize);

// Dials the entry named in the parameters. With no notifier the call is synchronous: 0 once the
// connection is up, else an error; *lphRasConn receives the connection, to be hung up either
// way.
DWORD RasDial(LPRASDIALEXTENSIONS lpRasDialExtensions, LPWSTR lpszPhonebook,
              LPRASDIALPARAMS lpRasDialParams, DWORD dwNotifierType, LPVOID lpvNotifier,
              LPHRASCONN lphRasConn);

// Ends the connection; the handle is dead afterwards.
DWORD RasHangUp(HRASCONN hrasconn);

// Lists the connections; with a short buffer, ERROR_BUFFER_TOO_SMALL and the bytes needed.
DWORD RasEnumConnections(LPRASCONN lprasconn, LPDWORD lpcb, LPDWORD lpcConnections);

// Removes the entry from the phone book.
DWORD RasDeleteEntry(LPWSTR lpszPhonebook, LPWSTR lpszEntry);

}  // extern "C"
