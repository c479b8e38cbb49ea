#include "sim/program_list.h"

#include "sim/bluetooth_applet/bluetooth.h"
#include "sim/display/display.h"
#include "sim/drivers/accelerometer/accelerometer.h"
#include "sim/drivers/backlight/backlight.h"
#include "sim/drivers/infrared/infrared.h"
#include "sim/drivers/leds/leds.h"
#include "sim/drivers/touch/touch.h"
#include "sim/drivers/usb_function/usb_function.h"
#include "sim/drivers/wlan/ndis_control.h"
#include "sim/drivers/wlan/ndis_power.h"
#include "sim/drivers/wlan/serial_wlan.h"
#include "sim/input_method/input_method.h"
#include "sim/modem/modem.h"
#include "sim/network/network_links.h"
#include "sim/phone_adapter/phone_adapter_program.h"
#include "sim/platform_record/platform_record.h"
#include "sim/ras_links/ras_links.h"
#include "sim/shell/shell.h"
#include "sim/storage/storage.h"
#include "sim/ui_library/ui_library_program.h"
#include "sim/wifi_test/wifi_test_program.h"

namespace sim {

std::vector<std::shared_ptr<Program>> MakePrograms() {
  // The shell comes first: it registers its message names before anything else can.
  return {
      std::make_shared<Shell>(),         std::make_shared<PlatformRecord>(),
      std::make_shared<Storage>(),       std::make_shared<PhoneAdapter>(),
      std::make_shared<Modem>(),         std::make_shared<RasLinks>(),
      std::make_shared<Bluetooth>(),     std::make_shared<NetworkLinks>(),
      std::make_shared<Display>(),       std::make_shared<UiLibrary>(),
      std::make_shared<Accelerometer>(), std::make_shared<Infrared>(),
      std::make_shared<Backlight>(),     std::make_shared<Touch>(),
      std::make_shared<UsbFunction>(),   std::make_shared<Leds>(),
      std::make_shared<SerialWlan>(),    std::make_shared<NdisPower>(),
      std::make_shared<NdisControl>(),   std::make_shared<WifiTestProgram>(),
      std::make_shared<InputMethod>(),
  };
}

}  // namespace sim
