#include "sim/bluetooth.h"

#include <atomic>

#include "ce/cpl.h"
#include "cehost/modules.h"

namespace sim {

namespace {
std::atomic<Bluetooth*> g_bluetooth{nullptr};
constexpr char16_t kAppletPath[] = u"\\Windows\\BluetoothCPL.dll";
}  // namespace

void Bluetooth::SetApplet(Applet applet) {
  switch (applet) {
    case Applet::kInstalled:
      cehost::InstallModule(kAppletPath,
                            {{"CPlApplet", cehost::Entry(APPLET_PROC{&BluetoothApplet})}});
      break;
    case Applet::kWithoutEntry:
      cehost::InstallModule(kAppletPath, {});
      break;
    case Applet::kMissing:
      cehost::RemoveModule(kAppletPath);
      break;
  }
}

void SetCurrentBluetooth(Bluetooth* bluetooth) {
  g_bluetooth.store(bluetooth);
}

Bluetooth* CurrentBluetooth() {
  return g_bluetooth.load();
}

}  // namespace sim
