// Host control of a handset's RAS service: the devices sim's programs install, the phone book's
// lock.
#include "cehost/ras.h"
#include "handset/handset_state.h"
#include "ras/ras_service.h"

namespace cehost {

void InstallRasDevice(std::u16string_view device_name, std::shared_ptr<RasDevice> device) {
  Current().ras.InstallDevice(device_name, std::move(device));
}

void LockPhoneBook(bool locked) {
  Current().ras.LockPhoneBook(locked);
}

}  // namespace cehost
