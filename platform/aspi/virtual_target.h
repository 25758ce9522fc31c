#pragma once
// A virtual drive answering SCSI multimedia commands from its disc image and play clock:
// TEST UNIT READY, INQUIRY, READ TOC, PLAY AUDIO MSF, STOP PLAY/SCAN, PAUSE/RESUME and
// READ SUB-CHANNEL. Anything else is an invalid operation code.

#include "command_result.h"

#include <cstddef>

namespace aspi {

CommandResult ExecuteVirtual(size_t driveIndex, const uint8_t *cdb, size_t cdbLength);

} // namespace aspi
