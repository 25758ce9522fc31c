#pragma once
// What QUAVREL_EMULATED_DRIVES asks for: ';'-separated entries "DEVICE=IMAGE[,option...]".
//
// DEVICE is the path programs open (an existing placeholder file, e.g. $tmp/dev/sr0); IMAGE a
// CUE/TOC/NRG image libcdio reads. Options:
//   offset=N     the drive's read offset in samples, with AccurateRip's sign: +6 returns the audio
//                6 samples early
//   tray=open    the tray starts open
//   nomedium     the tray holds no disc (closing it brings none)
//   faults=...   the virtual drives' fault syntax (see drive_catalogue.h) with '|' between items,
//                plus "c2=S[,S...]": sectors read with C2 errors (unstable data, C2 pointers set).
//                It takes the rest of the entry, so it comes last:
//                "dev/sr0=demo.cue,offset=6,faults=jitter=100|unreadable=200-202|c2=300"

#include <cstdint>
#include <drive_catalogue.h>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace emulated {

struct DriveSpec {
    std::string device; // as written
    std::string image;
    int32_t offset = 0;
    bool trayOpen = false;
    bool noMedium = false;
    drives::Faults faults;
    std::set<int32_t> c2;
};

// nullopt, with the reason in *error, on malformed text; "" gives no drive.
std::optional<std::vector<DriveSpec>> ParseDriveSpecs(const std::string &text, std::string *error);

} // namespace emulated
