// The state of the current handset, shared by every platform call.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cehost/journal.h"
#include "devices/device_table.h"
#include "devices/power_devices.h"
#include "handset/program_table.h"
#include "iphlpapi/network_table.h"
#include "kernel/event_table.h"
#include "kernel/handle_table.h"
#include "kernel/handset_clock.h"
#include "kernel/thread_object.h"
#include "modules/module_table.h"
#include "msgqueue/queue_table.h"
#include "ras/ras_service.h"
#include "shell/launch_table.h"
#include "windows/platform_info_record.h"

namespace cehost {

class RegistryStore;
class FileSystem;
class WindowTable;
class ServerLink;

struct HandsetState {
  std::filesystem::path home;
  // Null when the registry could not be opened; registry_error then says why.
  std::unique_ptr<RegistryStore> registry;
  long registry_error = 0;
  std::unique_ptr<FileSystem> files;
  HandleTable handles;
  ModuleTable modules;
  EventTable events;
  // Its stream drivers, driver libraries and LED service.
  DeviceTable devices;
  // Its power-managed devices that are not stream drivers (network adapters).
  PowerDeviceTable power_devices;
  // Its named message queues.
  QueueTable queues;
  // The threads CreateThread started on it that are still running.
  ThreadCount threads;
  RasService ras;
  // Its clock, which a test or tool may pin.
  HandsetClock clock;
  Journal journal;
  // Its windows and registered message names; made with the handset.
  std::unique_ptr<WindowTable> windows;
  // Its network interfaces.
  NetworkTable network;
  // The record SystemParametersInfoW answers with.
  PlatformInfoRecord platform_info;
  // The programs ShellExecuteEx runs, by the path of their files.
  LaunchTable launches;
  // The states of the handset's own programs (phone adapter, applets, modem).
  ProgramTable programs;
  // The way to the home's server when the handset is attached to it: its devices and registered
  // messages are the server's then. Null when the handset runs in this process.
  std::shared_ptr<ServerLink> server;

  HandsetState();
  ~HandsetState();
};

// The current handset, mounting the default one when none is current. The default handset's
// problems do not throw: they are reported once on standard error and its calls fail. It stays
// alive for the calling thread until that thread's next platform call after another handset is
// mounted, or until the thread ends.
HandsetState& Current();

// The current handset, kept alive for as long as the pointer is held (by a thread that outlives
// the call that started it).
std::shared_ptr<HandsetState> CurrentShared();

}  // namespace cehost
