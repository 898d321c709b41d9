// Shared between the registry routines and the device objects.
#pragma once

#include <string>

#include "hostkernel/nt_host.h"

namespace hostkernel {

// Opens a handle to the key at an absolute kernel path (\REGISTRY\...),
// creating it and its missing parents; honours FailKeyOpen.
NTSTATUS OpenKeyHandleAtPath(const std::string &absolutePath, ACCESS_MASK access, HANDLE *handle);

}  // namespace hostkernel
