#include "frame/broadcast.h"

#include "ce/windows.h"

UINT GetPalBroadcastMessage() {
  return RegisterWindowMessageW(u"PalBroadcastNotifyMsgName");
}
