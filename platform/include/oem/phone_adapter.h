// The handset's phone adapter library, "PhoneAdapter.dll", a peer of the platform and not part
// of the CE API: PAC_ functions work inside a session opened with PAC_Initialize, PAL_ functions
// need none.
#pragma once

#include "ce/types.h"

// A phone adapter session: an opaque 32-bit value written by PAC_Initialize.
typedef DWORD HPAC;

// GPRS traffic counters since they were last set to zero.
typedef struct _PAC_GPRS_TRAFFIC_COUNT {
  DWORD dwFlags;
  DWORD dwSent;
  DWORD dwReceived;
  DWORD dwReserved[2];
} PAC_GPRS_TRAFFIC_COUNT;
static_assert(sizeof(PAC_GPRS_TRAFFIC_COUNT) == 20);

// Registration status reported while registered on a visited network.
#define PAC_REGISTERED_ROAMING 5
// Session status of an adapter that is ready.
#define PAL_SESSION_READY 2

extern "C" {

// Opens a session and writes its handle into *phSession; negative on failure.
LONG PAC_Initialize(DWORD dwMode, DWORD dwReserved1, DWORD dwReserved2, DWORD dwReserved3,
                    DWORD dwReserved4, DWORD dwReserved5, DWORD dwReserved6, HPAC* phSession);
// Closes a session.
LONG PAC_Deinitialize(HPAC hSession);
// Attaches to (TRUE) or detaches from (FALSE) the GPRS network; exactly 1 when done.
LONG PAC_SSetGPRSAttached(HPAC hSession, BOOL fAttach, DWORD dwTimeout);
// Fills the traffic record; negative on failure.
LONG PAC_SGetGprsTrafficCount(HPAC hSession, DWORD dwTimeout, PAC_GPRS_TRAFFIC_COUNT* pCount,
                              DWORD* pdwInfo);
// Sets the traffic counters; (1, 0, 0) sets both to zero.
LONG PAC_SSetGprsTrafficCount(HPAC hSession, DWORD dwWhich, DWORD dwSent, DWORD dwReceived,
                              DWORD dwTimeout);
// Writes the network registration status.
LONG PAC_SGetRegistrationStatus(HPAC hSession, DWORD dwTimeout, DWORD* pdwStatus);

// Writes the IMEI, terminated, into a buffer of cchBuffer characters; nonzero when written.
BOOL PAL_SGetPhoneIMEI(WCHAR* pszBuffer, DWORD cchBuffer);
// Writes the model name, terminated, into a buffer of cchBuffer characters; nonzero when written.
BOOL PAL_SGetPhoneModel(WCHAR* pszBuffer, DWORD cchBuffer);
// Writes the SIM's IMSI, terminated, into a buffer of cchBuffer characters; nonzero when written.
BOOL PAL_SGetPhoneIMSI(WCHAR* pszBuffer, DWORD cchBuffer);
// Writes the number of missed calls.
BOOL PAL_SGetMissedCallCnt(DWORD* pdwCount);
// Writes the number of calls in progress.
BOOL PAL_SGetExistedCallCnt(DWORD* pdwCount);
// Writes the adapter's session status; nonzero when written.
BOOL PAL_SGetSessionStatus(DWORD* pdwStatus);
// Writes the number of unread messages.
BOOL PAL_SGetUnreadMsgCnt(DWORD* pdwCount);

}  // extern "C"
