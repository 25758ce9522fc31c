#pragma once
// The ioctls a program sends to a Linux sr device: SG_IO and the cdrom layer's own, answered the
// way the kernel answers them, through the drive's MMC commands.

#include "emulated_drive.h"

namespace emulated {

// The ioctl's result: 0 or a positive value on success, -1 with *error set (an errno) on failure.
int DriveIoctl(EmulatedDrive &drive, unsigned long request, void *argument, int *error);

} // namespace emulated
