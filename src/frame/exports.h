// m8api: the handset's platform-services library. Every exported function, grouped by family.
//
// All functions but seven are exported under their plain names. The seven telephony functions
// declared outside the extern "C" blocks are exported under names decorated with their parameter
// types; that is what lets Dial_StartGprsConnect2 exist in two forms.
//
// Text is UTF-16 (WCHAR) and NUL-terminated. Structures are passed by pointer, never by value.
//
// A C program (C11) can call every plain-named function; the seven decorated ones are C++ only.
#pragma once

#ifndef __cplusplus
#include <stdbool.h>
#endif

#include "ce/geometry.h"
#include "ce/types.h"

// The library is built with hidden visibility; only what carries this macro is exported.
#define M8API __attribute__((visibility("default")))

// Called with 1 from a short-lived worker thread after a GPRS dial of the callback form succeeded.
typedef void (*GprsConnectCallback)(DWORD dwResult);

// The tip block of a desktop icon tip, handed to the shell as four 32-bit words in order; what
// they mean is the shell's.
typedef struct _DesktopIconTipBlock {
  DWORD dwData[4];
} DesktopIconTipBlock;
static_assert(sizeof(DesktopIconTipBlock) == 16, "laid out as the platform publishes it");

// One raw touch sample as the touch panel driver returns it. The library sets dwSize to 24
// before asking; the rest of the sample is the driver's.
typedef struct _TouchRawData {
  DWORD dwSize;
  BYTE abSample[20];
} TouchRawData;
static_assert(sizeof(TouchRawData) == 24, "laid out as the platform publishes it");

#ifdef __cplusplus
extern "C" {
#endif

// Accelerometer ("ACC0:"): one reference-counted handle per process; readings are signed bytes.

// Opens the accelerometer, or counts one more open of it; 1 when it is open, 0 when it cannot be.
M8API BOOL AccAPIOpen(void);
// Takes back one open; the last one closes the device and forgets the notification message.
M8API void AccAPIClose(void);
// The "AccMessage" window message the driver notifies with; 0 and last error 1062 when closed.
M8API UINT AccAPIGetMessage(void);
// Reads the X axis into *pX (0 when the read fails); the read's result, 0 when not open.
M8API BOOL AccAPIGetX(signed char* pX);
// Reads the Y axis into *pY (0 when the read fails); the read's result, 0 when not open.
M8API BOOL AccAPIGetY(signed char* pY);
// Reads the Z axis into *pZ (0 when the read fails); the read's result, 0 when not open.
M8API BOOL AccAPIetZ(signed char* pZ);
// Reads all three axes in one request (zeros when it fails); the read's result, 0 when not open.
M8API BOOL AccAPIGetXYZ(signed char* pX, signed char* pY, signed char* pZ);

// Infrared proximity sensor ("IRD1:"): each call opens the driver, makes one request, closes it.

// Subscribes a window to the sensor's notifications with the given message; 0 without the driver.
M8API BOOL IRSensorRegisterIRSensorNotify(HWND hwnd, UINT uMsg);
// Withdraws a window's subscription; the driver's result, 0 without the driver.
M8API BOOL IRSensorUnRegisterIRSensorNotify(HWND hwnd);
// Switches the sensor on or off; the driver's result, 0 without the driver.
M8API BOOL IRSensorSetIRSensorState(DWORD dwState);
// Reads the detection value into *pdwDetection; 0 when the driver has none to give or is missing.
M8API BOOL IRSensorGetIRSensorDetection(LPDWORD pdwDetection);
// Sets the sensitivity level, 1 to 3; 0 for any other level or without the driver.
M8API BOOL IRSensorSetIRSensorLevel(DWORD dwLevel);
// The sensor's sensitivity level, or 0 when it cannot be read.
M8API DWORD IRSensorGetIRSensorLevel(void);

// Backlight and light sensor ("BKL1:"), and the idle time-out on battery.

// Reads the backlight level (0 to 255) into *pdwLevel; the read's result, 0 without the driver.
M8API BOOL GetBackLightLevelEx(LPDWORD pdwLevel);
// Sets the backlight level; 0 for a level above 255 or without the driver.
M8API BOOL SetBackLightLevelEx(DWORD dwLevel);
// Switches the backlight state; the driver's result, 0 without the driver.
M8API BOOL SetBackLightStateEx(DWORD dwState);
// Reads the light sensor's state into *pdwState; the driver's result, 0 without the driver.
M8API BOOL GetLuxSensorStateEx(LPDWORD pdwState);
// Switches the light sensor on or off; the driver's result, 0 without the driver.
M8API BOOL SetLuxSensorStateEx(DWORD dwState);
// The power manager's suspend time-out on battery in ms; 0xFFFFFFFF when it cannot be read.
M8API DWORD GetSystemIdleTimeoutEx(void);

// Vibrator: the last notification LED of the system.

// Starts the vibrator in a repeating pattern of dwOnMs on and dwOffMs off; reports nothing.
M8API void SetVibrateOn(DWORD dwOnMs, DWORD dwOffMs);
// Stops the vibrator; reports nothing.
M8API void SetVibrateOff(void);

// Touch panel ("TCH0:") and USB connection notifications.

// Subscribes to the touch driver with three words the driver interprets; 0 without the driver.
M8API BOOL TouchNotifyApiRegisterTouchNotifyEx(DWORD dwArg1, DWORD dwArg2, DWORD dwArg3);
// Withdraws a touch subscription and closes the touch handle; 0 without the driver.
M8API BOOL TouchNotifyApiUnRegisterTouchNotify(DWORD dwSubscriber, DWORD dwReserved);
// Reads one raw touch sample into the caller's 24-byte record; 0 without the driver.
M8API BOOL TouchNotifyApiGetTouchRawData(TouchRawData* pData);
// Hands "UsbNotifyMsgName" to the USB function controller and returns it; 0xFFFFFFFF without it.
M8API UINT UsbNotifyApiRegisterUsbNotifyMsg(void);
// The current USB connection type; 0xFFFFFFFF when the controller is missing or cannot tell.
M8API DWORD UsbNotifyApiGetUsbConnectType(void);

// Telephony queries through the phone adapter.

// Plain-named twin of Dial_GetImeiSerialNumber2: same arguments, same result.
M8API INT CallNotifyApiGetImeiSerialNumber2(HWND hwnd, LPWSTR pszImei, DWORD cchImei,
                                            LPWSTR pszModel, DWORD cchModel);
// Plain-named twin of Dial_GetMissCallCnt.
M8API INT CallNotifyApiDial_GetMissCallCnt(void);

#ifdef __cplusplus
}  // extern "C"

// Fills the IMEI and model buffers that are given (either may be null); 1 done, 3 failed.
M8API LONG Dial_GetImeiSerialNumber2(HWND hwnd, LPWSTR pszImei, DWORD cchImei, LPWSTR pszModel,
                                     DWORD cchModel);
// The number of missed calls; 0 when the phone adapter gives none.
M8API DWORD Dial_GetMissCallCnt(void);
// The number of unread messages; 0 when the phone adapter gives none.
M8API DWORD Dial_GetUnreadSmsCnt(void);

// GPRS data connection over RAS.

extern "C" {
#endif

// Plain-named twin of the window-handle form of Dial_StartGprsConnect2.
M8API INT CalllNotifyApiStartGprsConnect2(HWND hwnd, DWORD dwMode);
// Plain-named twin of Dial_StopGprsConnect2.
M8API INT CalllNotifyApiStopGprsConnect2(HWND hwnd);

#ifdef __cplusplus
}  // extern "C"

// Dials GPRS (named, else selected access point) and calls back with 1; 1 dialled, 3 refused.
M8API LONG Dial_StartGprsConnect2(GprsConnectCallback pfnCallback, DWORD dwMode,
                                  LPCWSTR pszAccessName);
// Dials GPRS with the selected access point for a windowed client; 1 dialled, 3 refused or failed.
M8API LONG Dial_StartGprsConnect2(HWND hwnd, DWORD dwMode);
// Hangs up every GPRS connection, detaches, totals the traffic and announces it; always 1.
M8API LONG Dial_StopGprsConnect2(HWND hwnd);

// Network status.

extern "C" {
#endif

// Plain-named twin of QueryNetWorkStatus.
M8API INT CalllNotifyApiQueryNetWorkStatus(void);

#ifdef __cplusplus
}  // extern "C"

// The best network up: 2 Wi-Fi, 3 USB, 4 GPRS with proxy, 5 GPRS without; 1 none or unknown.
M8API DWORD QueryNetWorkStatus(void);

extern "C" {
#endif

// INI files in UTF-16 with a byte-order mark: reading. Results are 1 on success, 0 on failure.

// 1 when the file has a header line for the section.
M8API INT IsExistAppEx(LPCWSTR pszSection, LPCWSTR pszFile);
// Delivers a key's value as a new WCHAR array the caller frees with delete[]; 1 when found.
M8API INT IniReadStringEx(LPCWSTR pszSection, LPCWSTR pszKey, LPWSTR* ppszValue, LPCWSTR pszFile);
// Delivers a key's value read as a decimal number; 1 when found.
M8API INT IniReadIntEx(LPCWSTR pszSection, LPCWSTR pszKey, INT* pnValue, LPCWSTR pszFile);

// INI files: writing and creation. Writes need a file that exists and carries the mark.

// Sets a key; a null value deletes the key, a null key the whole section; 1 on success.
M8API INT IniWriteStringEx(LPCWSTR pszSection, LPCWSTR pszKey, LPCWSTR pszValue, LPCWSTR pszFile);
// Sets a key to a decimal number, as IniWriteStringEx; a null key deletes the section.
M8API INT IniWriteIntEx(LPCWSTR pszSection, LPCWSTR pszKey, INT nValue, LPCWSTR pszFile);
// Makes sure an ".ini" file exists in the engine's format; 1 when it does afterwards.
M8API INT IniCreateFileEx(LPCWSTR pszFile);

// Radio and connectivity settings.

// Sets the flight-mode flag and broadcasts it twice; the first argument is ignored; always true.
M8API bool SetFlyModeEx(DWORD dwReserved, BYTE bMode);
// Writes the flight-mode flag and broadcasts the flight mode; always 1.
M8API INT SettingApiSetFlyModeReg(BYTE bMode);
// Broadcasts the flight mode without touching the flag; always 1.
M8API INT SettingApiFlyModeSendMsgToShell(BYTE bMode);
// true when the mobile-data (EDGE) switch is on; an unreadable switch is written as off.
M8API bool SettingApiGetEdgeState(void);
// Switches the Bluetooth radio through its control-panel applet; the applet's result, else 0.
M8API INT SettingApiSwitchBTPower(INT nOn);
// Renames the handset for Bluetooth (at most 50 characters); the applet's result, else 0.
M8API INT SettingApiBTUpdateName(LPCWSTR pszName);
// 1 when the registry says the Bluetooth radio is on.
M8API INT SettingApiBTIsOn(void);
// 1 when the display settings say the handset has Bluetooth and its entry is switched on.
M8API INT SettingApiIsBluetoothAvailable(void);
// 1 when the platform information record does not flag Wi-Fi as absent.
M8API INT SettingApiIsWifiAvailable(void);
// The hardware version number from the platform information record.
M8API INT SettingApiGetHardwareVersionNumber(void);

// Application settings resets.

// Restores the photo viewer's settings to factory values; always 1.
M8API INT SettingApiResetPhotoViewerSettings(void);
// Restores the file browser's settings and removes its state file; always 1.
M8API INT SettingApiResetFileBrowserSettings(void);
// Deletes the e-book reader's state files in its data folder; always 1.
M8API INT SettingApiResetEbookSettings(void);
// Restores the e-mail client's setting; ERROR_SUCCESS, or the registry's error code.
M8API LONG ResetEmailEx(void);

// Theme and wallpaper reset.

// Restores theme, colours, icons and wallpapers, has the shell reload them; 0 without its key.
M8API INT SettingApiResetThemeSetting(void);

// Input method settings reset.

// Restores the input method's options and tells it they changed; always 1.
M8API INT SettingApiResetKeyBoard(void);

// Bluetooth settings reset.

// Rewrites the Bluetooth, OBEX and device identity configuration with factory values; always 1.
M8API INT SettingApiResetBluetoothSettings(void);

// Network settings reset and factory reset.

// Restores flight mode, data switches, access point profiles and Bluetooth; always 1.
M8API INT SettingApiResetNetSettings(void);
// Restores every setting the library knows to its factory value, step by step; always 1.
M8API INT SettingApiResetFactorySettings(void);

// Shell integration: event subscription, requests, user notifications, window commands.

// Subscribes a window to the shell's event messages; 1 when the record went into the queue.
M8API BOOL ShellNotifyMsgRegisterShellMessage(HWND hwnd, DWORD dwValue);
// Withdraws a window's subscription; 1 when the record went into the queue.
M8API BOOL ShellNotifyMsgUnRegisterShellMessage(HWND hwnd, DWORD dwValue);
// The window message the shell sends when the M key is clicked; 0 if it cannot be registered.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_ClickMKey(void);
// The window message the shell sends when the task bar is clicked.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_ClickTaskbar(void);
// The window message the shell sends when the phone locks.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_EntryLockPhone(void);
// The window message the shell sends when the phone unlocks.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_LeaveLockPhone(void);
// The window message the shell sends when it enters shut-down.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_EntryShutDown(void);
// The window message the shell sends when it leaves shut-down.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_LeaveShutDown(void);
// The window message the shell sends just before the power goes off.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_ReadyPowerOFF(void);
// The window message the shell sends when the battery runs low.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_BatteryLow(void);
// The window message the shell sends when music playback is entered.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_EntryMusic(void);
// The window message the shell sends for every key event.
M8API UINT ShellNotifyGetShellNotifyMsg_AllKeyEvent(void);
// The window message the shell sends when a synchronisation begins.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_SyncBeginEvent(void);
// The window message the shell sends when a synchronisation ends.
M8API UINT ShellNotifyMsgGetMsg_SyncEndEvent(void);
// The window message the shell sends when a network connects.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_NetConnect(void);
// The window message the shell sends when a network disconnects.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_NetDisconnect(void);
// The window message the shell sends when it shows its notification window.
M8API UINT ShellNotifyMsgGetShellNotifyMsg_ShowNotifyWnd(void);
// Asks the shell to hold back its battery-low warning box; 1 when the request was queued.
M8API BOOL ShellNotifyMsgHoldShellBatteryLowWarningBox(HWND hwndRequester);
// Lets the shell show its battery-low warning box again; 1 when the request was queued.
M8API BOOL ShellNotifyMsgUnHoldShellBatteryLowWarningBox(HWND hwndRequester);
// Asks the shell to leave some keys to the caller; 1 when the request was queued.
M8API BOOL ShellNotifyMsgHoldShellUsingSomeKeyFunction(HWND hwndRequester, DWORD dwValue);
// Gives keys held with ShellNotifyMsgHoldShellUsingSomeKeyFunction back to the shell.
M8API BOOL ShellNotifyMsgUnHoldShellUsingSomeKeyFunction(HWND hwndRequester, DWORD dwValue);
// Asks the shell to reload its desktop icons; 1 when the request was queued.
M8API BOOL ShellNotifyMsgReloadDesktopIcons(void);
// Asks the shell to power the handset off; 1 when the request was queued.
M8API BOOL ShellNotifyMsgMzPowerOffSystem(void);
// Asks the shell to reset the handset; 1 when the request was queued.
M8API BOOL ShellNotifyMsgMzResetSystem(void);
// Asks the shell to lock the phone; 1 when the request was queued.
M8API BOOL ShellNotifyMsgMzEntryLockPhone(void);
// Asks the shell to unlock the phone; 1 when the request was queued.
M8API BOOL ShellNotifyMsgMzLeaveLockPhone(void);
// Asks the shell to keep the screen on for the requester; 1 when the request was queued.
M8API BOOL ShellNotifyMsgSetScreenAlwaysOn(HWND hwndRequester);
// Gives the screen back to automatic switch-off; 1 when the request was queued.
M8API BOOL ShellNotifyMsgSetScreenAutoOff(void);
// Asks the shell to animate a desktop icon with two arguments of its own; 1 when queued.
M8API BOOL ShellNotifyMsgSetAnimateDesktopIcon(LPCWSTR pszIconName, DWORD dwArg1, DWORD dwArg2);
// Asks the shell to show a tip on a desktop icon; 1 when the request was queued.
M8API BOOL ShellNotifyMsgSetAnimateDesktopIconTip(LPCWSTR pszIconName, LPCWSTR pszTipText,
                                                  const DesktopIconTipBlock* pTip);
// Tells the shell that the user name changed; 1 when the request was queued.
M8API BOOL ShellNotifyMsgNotifyShellUserNameChanged(void);
// Posts a new user notification (null handle) or updates one; the handle, null on failure.
M8API HANDLE ShellNotifyMsgMzSetUserNotification(HANDLE hNotification, LPCVOID pContent);
// Closes a notification's handle and has the shell clear it; 1 when the request was queued.
M8API BOOL ShellNotifyMsgMzClearUserNotification(HANDLE hNotification);
// Has the desktop (bit 0) and lock screen (bit 1) reload their wallpaper; the last post's result.
M8API BOOL ShellNotifyMsgRefreshWallpaper(DWORD dwFlags);
// Hides the shell's top bar; the result of ShowWindow, 0 when there is no top bar.
M8API BOOL ShellNotifyMsgHideMzTopBar(void);
// Shows the shell's top bar; the result of ShowWindow, 0 when there is no top bar.
M8API BOOL ShellNotifyMsgShowMzTopBar(void);
// Has the desktop play the application-quit animation; the post's result.
M8API BOOL ShellNotifyMsgShowAppQuitAnimate(void);
// Has the shell show its volume window; 0 when the first argument is 0 or there is no shell.
M8API BOOL ShellNotifyMsgShowVolumeWnd(DWORD dwWParam, DWORD dwLParam);
// Asks the shell to change the display settings; nonzero when it answered within 2 s.
M8API BOOL ShellNotifyMsgMzChangeDisplaySettingsEx(DWORD dwWParam, DWORD dwLParam);
// Tells the task bar a screen rotation begins; nonzero when it answered within 800 ms.
M8API BOOL ShellNotifyMsgMzBeginScreenRotate(void);
// Enables the task bar's list; nonzero when the task bar answered within 800 ms.
M8API BOOL ShellNotifyMsgMzEnableTaskbarList(void);
// Disables the task bar's list; nonzero when the task bar answered within 800 ms.
M8API BOOL ShellNotifyMsgMzDisableTaskbarList(void);
// Enables sliding between applications; nonzero when the task bar answered within 800 ms.
M8API BOOL ShellNotifyMsgMzEnableSlideApp(void);
// Disables sliding between applications; nonzero when the task bar answered within 800 ms.
M8API BOOL ShellNotifyMsgMzDisableSlideApp(void);
// Tells the start-up window an application began initialising; nonzero when it answered.
M8API BOOL ShellNotifyMsgMzNotifyAppInitBegin(void);
// Tells the start-up window an application finished initialising; nonzero when it answered.
M8API BOOL ShellNotifyMsgMzNotifyAppInitFinished(void);
// Has the display driver refuse display-setting changes; 1 when its escape succeeded.
M8API BOOL ShellNotifyMsgDisableChangeDisplaySetting(void);
// Has the display driver accept display-setting changes again; 1 when its escape succeeded.
M8API BOOL ShellNotifyMsgEnableChangeDisplaySetting(void);
// 1 when the shell reports the phone locked.
M8API BOOL ShellNotifyMsgIsLockPhoneStatus(void);

// WLAN adapter control.

// Switches the WLAN adapter of this hardware variant on or off; always true.
M8API bool EnableViROVUEx(bool bEnable);
// 1 when flight mode is off and the user's Wi-Fi switch is on.
M8API BOOL IsLoadWifiEx(void);
// Brings the WLAN adapter to the user's choice, or starts the Wi-Fi test program; not in flight.
M8API void ShellPostWlanEx(void);

// Input panel and screen areas, passed through to the platform UI library.

// Copies the screen's work area into *pRect.
M8API void CommonAPIMzGetWorkArea(RECT* pRect);
// The UI library's value for the parameter id, unchanged.
M8API UINT CommonAPIMzGetParam(UINT uId);
// Reads the input panel's mode into *pdwMode; the UI library's result.
M8API INT GetSipModeEx(LPDWORD pdwMode);
// Closes the input panel.
M8API void MzCloseSipEx(void);
// The A4 input panel's message identifier, as the UI library gives it.
M8API UINT MzGetA4SipMessageEx(void);
// Copies the part of the desktop the input panel leaves visible into *pRect.
M8API void MzGetVisibleDesktopRectEx(RECT* pRect);
// 1 when the input panel is open, else 0.
M8API INT MzIsSipOpenEx(void);
// Opens the input panel and copies the rectangle it occupies into *pRect.
M8API void MzOpenSipFunc(DWORD dwArg1, DWORD dwArg2, RECT* pRect);
// Opens the input panel with a text and copies the rectangle it occupies into *pRect.
M8API void MzOpenSipExFunc(DWORD dwArg1, DWORD dwArg2, LPCWSTR pszText, RECT* pRect);
// Sends the copy information to the A4 input panel; the UI library's result.
M8API INT SendCopyInfoToA4SIPEx(void);
// Moves the input panel's window; the UI library's result.
M8API INT SetSipWindowPosEx(DWORD dwPos);

#ifdef __cplusplus
}  // extern "C"
#endif
