#pragma once

#include <cstdint>
#include <string>

namespace ras {

// The IPv4 address of interface and, when it is point-to-point, its peer's (empty otherwise).
// 0, or ERROR_PROJECTION_NOT_COMPLETE while the interface has no IPv4 address.
uint32_t InterfaceAddresses(const std::string &interface, std::string &local, std::string &peer);

} // namespace ras
