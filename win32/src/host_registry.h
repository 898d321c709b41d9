// The registry of this process, shared by the registry and device functions.
#pragma once

#include "hostkernel/registry_store.h"

namespace hostwin32 {

// The registry file loaded at the first call; null when it does not load.
hostkernel::RegistryStore *Registry();
// Writes the registry back to its file after a change.
void SaveRegistry();

}  // namespace hostwin32
