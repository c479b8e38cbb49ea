// The handset's UI library "VERA0960.dll", a peer of the platform and not part of the CE API: its
// soft input panel (the on-screen keyboard) and the screen areas it leaves to applications. Its
// functions have C++ linkage, so they are found by their decorated names.
#pragma once

#include "ce/geometry.h"
#include "ce/types.h"

// Where the UI library lives on the handset.
inline constexpr char16_t kUiLibraryPath[] = u"\\Windows\\VERA0960.dll";

// The decorated names of the UI library's entries, as g++ gives the declarations below.
inline constexpr char16_t kMzGetWorkAreaEntry[] = u"_Z13MzGetWorkAreav";
inline constexpr char16_t kMzGetParamEntry[] = u"_Z10MzGetParamj";
inline constexpr char16_t kGetSipModeEntry[] = u"_Z10GetSipModeRj";
inline constexpr char16_t kMzCloseSipEntry[] = u"_Z10MzCloseSipv";
inline constexpr char16_t kMzGetA4SipMessageEntry[] = u"_Z17MzGetA4SipMessagev";
inline constexpr char16_t kMzGetVisibleDesktopRectEntry[] = u"_Z23MzGetVisibleDesktopRectv";
inline constexpr char16_t kMzIsSipOpenEntry[] = u"_Z11MzIsSipOpenv";
inline constexpr char16_t kMzOpenSipEntry[] = u"_Z9MzOpenSipjj";
inline constexpr char16_t kMzOpenSipExEntry[] = u"_Z11MzOpenSipExjjPKDs";
inline constexpr char16_t kSendCopyInfoToA4SIPEntry[] = u"_Z19SendCopyInfoToA4SIPv";
inline constexpr char16_t kSetSipWindowPosEntry[] = u"_Z15SetSipWindowPosj";

// Input panel layouts: the first argument of MzOpenSip and MzOpenSipEx, and the mode GetSipMode
// writes (0 while the panel is closed).
#define SIP_MODE_CLOSED 0
#define SIP_MODE_LETTERS 1
#define SIP_MODE_DIGITS 2
#define SIP_MODE_HANDWRITING 3
// Flags, the second argument of MzOpenSip and MzOpenSipEx: a floating panel lies over the
// desktop and leaves the work area as it is.
#define SIP_FLAG_FLOAT 0x1

// Parameter identifiers of MzGetParam.
#define MZ_PARAM_SCREEN_WIDTH 1
#define MZ_PARAM_SCREEN_HEIGHT 2
#define MZ_PARAM_TASKBAR_HEIGHT 3
#define MZ_PARAM_SIP_HEIGHT 4

// The name the UI library registers its A4 input panel message under.
inline constexpr char16_t kA4SipMessageName[] = u"MzA4SipMessage";

// The screen area applications may use: the screen less the task bar and a docked open panel.
RECT MzGetWorkArea();
// The value of a screen parameter (MZ_PARAM_...); 0 for an identifier it does not know.
UINT MzGetParam(UINT id);
// Writes the panel's mode (SIP_MODE_CLOSED while closed) into mode; 1.
int GetSipMode(DWORD& mode);
// Closes the panel; it docks again at the bottom for its next opening.
void MzCloseSip();
// The registered message of the A4 input panel.
UINT MzGetA4SipMessage();
// The part of the screen the panel leaves visible.
RECT MzGetVisibleDesktopRect();
// True while the panel is open.
bool MzIsSipOpen();
// Opens the panel in a mode with flags; the rectangle it occupies, all zero for an unknown mode
// (the panel then stays as it was).
RECT MzOpenSip(DWORD mode, DWORD flags);
// As MzOpenSip, giving the panel a text to start from (may be null).
RECT MzOpenSipEx(DWORD mode, DWORD flags, const WCHAR* text);
// Hands the copy information to the A4 input panel; 1.
int SendCopyInfoToA4SIP();
// Moves the open panel's top edge to y = top (0 docks it at the bottom); 1 when moved, 0 when the
// panel is closed or would leave the screen.
int SetSipWindowPos(DWORD top);
