#include "sim/bluetooth_applet/bluetooth.h"

#include "ce/cpl.h"
#include "cehost/modules.h"
#include "sim/config_table.h"

namespace sim {

namespace {
constexpr char16_t kAppletPath[] = u"\\Windows\\BluetoothCPL.dll";
}  // namespace

void Bluetooth::Configure(const ConfigTable& t) {
  t.OnlyKeys({"applet", "power_result", "name_result", "name"});
  t.ReadChoice<Applet>("applet",
                       {{"installed", Applet::kInstalled},
                        {"without-entry", Applet::kWithoutEntry},
                        {"missing", Applet::kMissing}},
                       &applet_);
  auto locked = radio_->Script();
  t.Read("power_result", &locked->power_result);
  t.Read("name_result", &locked->name_result);
  t.Read("name", &locked->name);
}

void Bluetooth::Install() {
  cehost::InstallProgramState(kBluetoothProgram, radio_);
  SetApplet(applet_);
}

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

}  // namespace sim
