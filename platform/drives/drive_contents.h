#pragma once
// A real drive's pre-gaps, flags, ISRCs, catalogue number and CD-Text, through libcdio's MMC
// commands (see ReadContents in drive_catalogue.h).

#include "drive_catalogue.h"

#include <string>

namespace drives {

DriveError ReadDriveContents(const std::string &devicePath, DiscContents &contents);

} // namespace drives
