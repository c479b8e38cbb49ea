// Host control of a handset's RAS service: the devices sim's programs install, the phone book's
// lock.
#include "cehost/ras.h"
#include "cehost/text.h"
#include "handset/handset_state.h"
#include "ras/ras_service.h"

namespace cehost {

void InstallRasDevice(std::u16string_view device_name, std::shared_ptr<RasDevice> device) {
  RasService& ras = Current().ras;
  std::lock_guard lock(ras.mutex);
  if (device) {
    ras.devices[FoldCase(device_name)] = std::move(device);
  } else {
    ras.devices.erase(FoldCase(device_name));
  }
}

void LockPhoneBook(bool locked) {
  RasService& ras = Current().ras;
  std::lock_guard lock(ras.mutex);
  ras.phone_book_locked = locked;
}

}  // namespace cehost
