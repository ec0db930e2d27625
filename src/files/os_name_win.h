#pragma once
// The facts of the running system, read once per process.
#include <cstdint>
#include <string>

#include "files/os_name.h"

namespace qs {

const OsFacts& RunningSystem();

// The running system's name (see OperatingSystemName).
std::string RunningSystemName(uint32_t options);

}  // namespace qs
