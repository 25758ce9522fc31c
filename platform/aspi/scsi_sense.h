#pragma once
// Fixed-format SCSI sense data, and the sense a drive gives for each failure of the catalogue.

#include "drive_catalogue.h"

#include <array>
#include <cstdint>

namespace aspi {

struct Sense {
    uint8_t key = 0;
    uint8_t asc = 0;
    uint8_t ascq = 0;
};

inline constexpr Sense kInvalidOpcode{0x05, 0x20, 0x00};
inline constexpr Sense kInvalidFieldInCdb{0x05, 0x24, 0x00};
inline constexpr Sense kLunNotSupported{0x05, 0x25, 0x00};
inline constexpr Sense kNotReady{0x02, 0x04, 0x00};

// The sense of a failed catalogue operation; DriveError::None has none (key 0).
Sense SenseFor(drives::DriveError error);

// 18 bytes, response code 0x70 (current error).
std::array<uint8_t, 18> FixedSense(Sense sense);

} // namespace aspi
