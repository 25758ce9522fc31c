#pragma once
// Where the catalogue's drives come from: the machine's optical drives, the user's list of images
// and the bundled demo disc.

#include "drive_catalogue.h"

#include <string>
#include <vector>

namespace drives {

// /dev/sr0, /dev/sr1, ... that exist as block devices, in numeric order, described from INQUIRY
// when possible. QUAVREL_DEVICE_DIR, when set, is scanned instead of /dev (a test seam).
std::vector<DriveInfo> RealDrives();

// The image paths that decide the virtual drives (QUAVREL_DRIVES, else the drives file, else
// the demo disc when there is no real drive).
std::vector<std::string> ImagePaths(bool haveRealDrives);

DriveInfo DescribeImage(const std::string &path);

} // namespace drives
