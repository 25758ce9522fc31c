#pragma once
// What a device made of one SCSI command: data for the host and, on failure, sense.

#include "scsi_sense.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace aspi {

struct CommandResult {
    std::vector<uint8_t> data;  // the full response; the layer copies what the buffer holds
    std::optional<Sense> sense; // set on CHECK CONDITION
    uint8_t aspiStatus = 0x01;  // SS_COMP, or SS_ERR with sense

    static CommandResult Fail(Sense sense)
    {
        CommandResult result;
        result.sense = sense;
        result.aspiStatus = 0x04;
        return result;
    }
};

} // namespace aspi
