#pragma once
// The udev seam: when QUAVREL_UDEV_EVENTS names a Unix datagram socket, each medium change of an
// emulated drive is sent there as udev would broadcast it: one datagram "change@DEVPATH" followed
// by NUL-terminated KEY=VALUE properties (ACTION, DEVPATH, SUBSYSTEM=block, DEVTYPE=disk, DEVNAME,
// ID_CDROM=1, DISK_MEDIA_CHANGE=1, ID_CDROM_MEDIA=1 or 0). Nobody listening is no error.

#include <string>

namespace emulated {

void SendMediumUevent(const std::string &device, bool arrived);

} // namespace emulated
