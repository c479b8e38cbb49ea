// The handset's own stream drivers: their device names and the control codes and records they
// answer. These are contracts between the library and the handset's drivers, not CE API.
#pragma once

#include <cstddef>

#include "ce/types.h"

// Device names.
inline constexpr char16_t kAccelerometerDevice[] = u"ACC0:";
inline constexpr char16_t kInfraredDevice[] = u"IRD1:";
inline constexpr char16_t kBacklightDevice[] = u"BKL1:";
inline constexpr char16_t kTouchDevice[] = u"TCH0:";

// The accelerometer "ACC0:". Each read gives signed bytes, one per axis.
#define IOCTL_ACC_GET_X 0x40000u        // out: 1 byte, X
#define IOCTL_ACC_GET_Y 0x40004u        // out: 1 byte, Y
#define IOCTL_ACC_GET_Z 0x40008u        // out: 1 byte, Z
#define IOCTL_ACC_GET_XYZ 0x4000Cu      // out: 3 bytes, X, Y, Z
#define IOCTL_ACC_SET_MESSAGE 0x40020u  // in: 4 bytes, the window message it notifies with

// The infrared proximity sensor "IRD1:". ReadFile of 4 bytes gives the detection value.
#define IOCTL_IRD_REGISTER 0x40C94u          // in: IRD_SUBSCRIBER
#define IOCTL_IRD_SET_STATE 0x40C98u         // in: 4 bytes, the sensor state (0 off, 1 on)
#define IOCTL_IRD_GET_DETECT_READY 0x40C9Cu  // out: 4 bytes, nonzero when a detection value waits
#define IOCTL_IRD_UNREGISTER 0x40CA8u        // in: IRD_SUBSCRIBER with message 0
#define IOCTL_IRD_SET_LEVEL 0x40CACu         // in: 4 bytes, the sensitivity level 1 to 3
#define IOCTL_IRD_GET_LEVEL 0x40CB0u         // out: 4 bytes, the sensitivity level

// A subscriber of the infrared sensor: the window as its 32-bit handle value, and its message.
typedef struct _IRD_SUBSCRIBER {
  DWORD hwnd;
  UINT message;
} IRD_SUBSCRIBER;
static_assert(sizeof(IRD_SUBSCRIBER) == 8);

// The backlight "BKL1:". ReadFile and WriteFile of 4 bytes get and set the level, 0 to 255.
#define IOCTL_BKL_SET_STATE 0x40CD0u      // in: 4 bytes, the backlight state
#define IOCTL_BKL_SET_LUX_STATE 0x40D00u  // in: 4 bytes, the light sensor's state
#define IOCTL_BKL_GET_LUX_STATE 0x40D04u  // out: 4 bytes, the light sensor's state
#define BKL_MAX_LEVEL 255u

// The touch panel "TCH0:".
#define IOCTL_TCH_UNREGISTER 101u   // in: 8 bytes, the subscriber and 0
#define IOCTL_TCH_GET_RAW 102u      // out: 24 bytes, a raw sample whose first DWORD is 24
#define IOCTL_TCH_REGISTER 103u     // in: 12 bytes, three DWORDs of the subscriber
#define IOCTL_TCH_GET_SETTING 105u  // out: 4 bytes, the driver's setting word
#define IOCTL_TCH_SET_SETTING 107u  // in: 4 bytes, the driver's setting word
#define TCH_RAW_SAMPLE_SIZE 24u

// The USB function controller, found by its device class.
inline constexpr GUID kUsbFnControllerClass = {
    0xE2BDC372, 0x598F, 0x4619, {0xBC, 0x50, 0x54, 0xB3, 0xF7, 0x84, 0x8D, 0x35}};
// The same class as text, as the settings' client selection parses it.
inline constexpr char16_t kUsbFnControllerClassText[] = u"E2BDC372-598F-4619-BC50-54B3F7848D35";

#define IOCTL_UFN_GET_CURRENT_CLIENT 0x22000Cu     // out: UFN_CLIENT_INFO
#define IOCTL_UFN_CHANGE_CURRENT_CLIENT 0x220010u  // in: UFN_CLIENT_NAME
#define IOCTL_UFN_GET_DEFAULT_CLIENT 0x220014u     // out: UFN_CLIENT_INFO
#define IOCTL_UFN_CHANGE_DEFAULT_CLIENT 0x220018u  // in: UFN_CLIENT_NAME
#define IOCTL_UFN_GET_CONNECT_TYPE 0x220198u       // out: 4 bytes, the connection type
#define IOCTL_UFN_SET_NOTIFY_MESSAGE 0x22019Cu  // in: 4 bytes, the window message it notifies with

// A USB function client driver's name.
typedef struct _UFN_CLIENT_NAME {
  WCHAR szName[128];
} UFN_CLIENT_NAME;
static_assert(sizeof(UFN_CLIENT_NAME) == 256);

// A USB function client driver's name and description.
typedef struct _UFN_CLIENT_INFO {
  WCHAR szName[128];
  WCHAR szDescription[250];
} UFN_CLIENT_INFO;
static_assert(sizeof(UFN_CLIENT_INFO) == 756);
static_assert(offsetof(UFN_CLIENT_INFO, szDescription) == 256);

// USB connection types the controller reports.
#define USB_CONNECT_NONE 0u     // no cable
#define USB_CONNECT_PC 1u       // a computer at the other end
#define USB_CONNECT_CHARGER 2u  // a charger only

// The registered window messages the drivers notify with.
inline constexpr char16_t kAccMessageName[] = u"AccMessage";
inline constexpr char16_t kUsbNotifyMessageName[] = u"UsbNotifyMsgName";
