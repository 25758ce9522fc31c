#include "scsi_sense.h"

namespace aspi {

Sense SenseFor(drives::DriveError error)
{
    using drives::DriveError;
    switch (error) {
    case DriveError::None:
        return {};
    case DriveError::NoSuchDrive:
        return kLunNotSupported;
    case DriveError::NotVirtual:
        return kNotReady;
    case DriveError::TrayOpen:
        return {0x02, 0x3A, 0x02}; // medium not present, tray open
    case DriveError::NoMedium:
        return {0x02, 0x3A, 0x01}; // medium not present, tray closed
    case DriveError::Locked:
        return {0x05, 0x53, 0x02}; // medium removal prevented
    case DriveError::OutOfRange:
        return {0x05, 0x21, 0x00}; // logical block address out of range
    case DriveError::DataTrack:
        return {0x05, 0x64, 0x00}; // illegal mode for this track
    case DriveError::InvalidRange:
        return kInvalidFieldInCdb;
    case DriveError::NotPlaying:
        return {0x05, 0x2C, 0x00}; // command sequence error
    case DriveError::ReadError:
        return {0x03, 0x11, 0x00}; // unrecovered read error
    }
    return kNotReady;
}

std::array<uint8_t, 18> FixedSense(Sense sense)
{
    std::array<uint8_t, 18> bytes{};
    bytes[0] = 0x70;
    bytes[2] = sense.key & 0x0F;
    bytes[7] = 10; // additional sense length
    bytes[12] = sense.asc;
    bytes[13] = sense.ascq;
    return bytes;
}

} // namespace aspi
