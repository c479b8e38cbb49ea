#include "registry_store.h"

namespace cehost {
RegistryStore::RegistryStore(const Options&) {}
RegistryStore::~RegistryStore() = default;
}  // namespace cehost
