#pragma once
// A virtual drive answering SCSI multimedia commands from its disc image and play clock:
// TEST UNIT READY, INQUIRY, READ TOC, PLAY AUDIO MSF, STOP PLAY/SCAN, PAUSE/RESUME,
// READ SUB-CHANNEL, START STOP UNIT (tray) and PREVENT ALLOW MEDIUM REMOVAL (lock).

#include "command_result.h"

#include <cstddef>

namespace aspi {

CommandResult ExecuteVirtual(size_t driveIndex, const uint8_t *cdb, size_t cdbLength);

} // namespace aspi
