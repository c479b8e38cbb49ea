// HKEY_LOCAL_MACHINE\Drivers\Active: the device manager's list of loaded devices in the registry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cehost {

class RegistryStore;

// Lists a device under Drivers\Active in the lowest free two-digit subkey, with its "Name",
// "Hnd" and "Key"; the subkey's name, or empty when the registry refused the write.
std::u16string AddActiveKey(RegistryStore& registry, std::u16string_view legacy_name,
                            uint32_t activation, std::u16string_view device_key);

// Removes a device's subkey of Drivers\Active.
void RemoveActiveKey(RegistryStore& registry, std::u16string_view subkey);

// Empties Drivers\Active: the key is rebuilt at each start, so a handset mounted again lists only
// the devices installed since.
void ClearActiveKeys(RegistryStore& registry);

}  // namespace cehost
