#include "udev_events.h"

#include <cstdlib>
#include <cstring>
#include <file_descriptor.h>
#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>

namespace emulated {

void SendMediumUevent(const std::string &device, bool arrived)
{
    const char *socketPath = std::getenv("QUAVREL_UDEV_EVENTS");
    if (!socketPath || !*socketPath)
        return;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::strlen(socketPath) >= sizeof address.sun_path)
        return;
    std::strcpy(address.sun_path, socketPath);

    const std::string name = std::filesystem::path(device).filename().string();
    const std::string devpath = "/devices/virtual/block/" + name;
    std::string message = "change@" + devpath;
    message += '\0';
    const std::string properties[] = {
        "ACTION=change",       "DEVPATH=" + devpath,
        "SUBSYSTEM=block",     "DEVTYPE=disk",
        "DEVNAME=" + device,   "ID_CDROM=1",
        "DISK_MEDIA_CHANGE=1", std::string("ID_CDROM_MEDIA=") + (arrived ? "1" : "0")};
    for (const std::string &property : properties) {
        message += property;
        message += '\0';
    }
    const platform::FileDescriptor sender(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (sender.IsOpen())
        sendto(sender.Get(), message.data(), message.size(), MSG_DONTWAIT,
               reinterpret_cast<sockaddr *>(&address), sizeof address);
}

} // namespace emulated
