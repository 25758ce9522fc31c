#pragma once
// A real drive: the CDB goes to the device through Linux's SG_IO; sense comes back as the device wrote it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace aspi {

struct PassThroughResult {
    uint8_t aspiStatus = 0x01;  // SS_COMP or SS_ERR
    uint8_t hostStatus = 0;     // SRB_HaStat
    uint8_t targetStatus = 0;   // SRB_TargStat
    std::vector<uint8_t> sense; // as the device wrote it; empty when none
};

// direction: SRB_DIR_IN, SRB_DIR_OUT or 0. buffer holds bufferLength bytes.
PassThroughResult ExecuteOnDevice(const std::string &devicePath, const uint8_t *cdb, size_t cdbLength,
                                  uint8_t direction, uint8_t *buffer, uint32_t bufferLength);

} // namespace aspi
