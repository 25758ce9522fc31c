#pragma once
// Links that pppd processes started outside this program keep, found through the pid files pppd
// writes: "<interface>.pid" once the interface exists, "ppp-<linkname>.pid" with the pid and the
// interface. The directory is QUAVREL_PPP_RUNDIR, else "/var/run".

#include "own_links.h"

#include <optional>
#include <vector>

namespace ras {

// Live pppd links with a pid file. A process is taken for a link only when it is still alive and
// named "pppd", so that a stale pid file never designates an unrelated process.
std::vector<LinkView> ForeignLinks(const std::string &peersDir);
std::optional<LinkView> FindForeignLink(const std::string &peersDir, HRASCONN handle);

// Asks the pppd of handle to end: 0, ERROR_ACCESS_DENIED (another user's), ERROR_INVALID_HANDLE.
uint32_t HangUpForeignLink(const std::string &peersDir, HRASCONN handle);

} // namespace ras
