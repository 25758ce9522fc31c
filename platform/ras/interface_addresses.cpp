#include "interface_addresses.h"

#include "ras.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <memory>
#include <net/if.h>
#include <netinet/in.h>

namespace ras {
namespace {

std::string AddressText(const sockaddr *address)
{
    char text[INET_ADDRSTRLEN] = {};
    const auto *ipv4 = reinterpret_cast<const sockaddr_in *>(address);
    inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text);
    return text;
}

} // namespace

uint32_t InterfaceAddresses(const std::string &interface, std::string &local, std::string &peer)
{
    local.clear();
    peer.clear();
    ifaddrs *list = nullptr;
    if (interface.empty() || getifaddrs(&list) != 0)
        return ERROR_PROJECTION_NOT_COMPLETE;
    std::unique_ptr<ifaddrs, void (*)(ifaddrs *)> owner(list, freeifaddrs);
    for (const ifaddrs *item = list; item; item = item->ifa_next) {
        if (interface != item->ifa_name || !item->ifa_addr || item->ifa_addr->sa_family != AF_INET)
            continue;
        local = AddressText(item->ifa_addr);
        if ((item->ifa_flags & IFF_POINTOPOINT) && item->ifa_dstaddr &&
            item->ifa_dstaddr->sa_family == AF_INET)
            peer = AddressText(item->ifa_dstaddr);
        return 0;
    }
    return ERROR_PROJECTION_NOT_COMPLETE;
}

} // namespace ras
