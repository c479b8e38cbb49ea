// The GPRS data connection: the policy check, the RAS entry, the dial and the hang-up.
#pragma once

#include "ce/ras.h"
#include "ce/types.h"
#include "telephony/access_point.h"
#include "telephony/telephony_result.h"

// The callback a telephony client gives a dial; called with 1 after a successful dial.
typedef void (*GprsCallback)(DWORD result);

// Checks the user's switches, roaming and the networks already up for a dial in the mode
// (window_form: the dial came through the window-handle form); hangs up first for modes 1 and
// 4. True to go on, false refused.
bool HandleGprsSettingStatus(DWORD mode, BOOL window_form);

// Dials the access point (null or empty: the selected one); true connected, false failed. Unless
// no_callback, a stored callback is told of the success on a worker thread.
bool StartRasConnect(BOOL no_callback, LPCWSTR access_name);

// Clears the record and fills it for the named (or the selected) access point; true filled.
bool GetAccessPointContent(LPCWSTR access_name, AccessPointContent* content);

// Fills the phone-book entry "GPRS" and the modem's configuration for the access point; false
// when the access point's names do not fit the modem's commands.
bool SetRasEntryParameter(RASENTRY* entry, UNIMODEM_DEVCONFIG* config,
                          const AccessPointContent& access_point);

// The callback form of the dial: kTelephonyDone dialled, kTelephonyRefused refused or failed.
LONG StartGprsConnectForCallback(GprsCallback callback, DWORD mode, LPCWSTR access_name);

// The window-handle form of the dial: kTelephonyDone dialled, kTelephonyRefused refused or
// failed.
LONG StartGprsConnectForWindow(DWORD mode);

// Hangs up every connection whose entry name holds "GPRS", detaches GPRS and, when there was
// one, announces it, folds its traffic into the totals and deletes the entry; always
// kTelephonyDone.
LONG StopGprsConnect();
