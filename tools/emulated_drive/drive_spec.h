#pragma once
// What QUAVREL_EMULATED_DRIVES asks for: ';'-separated entries "DEVICE=IMAGE[,option...]".
//
// DEVICE is the path programs open (an existing placeholder file, e.g. $tmp/dev/sr0); IMAGE a
// CUE/TOC/NRG image libcdio reads. Options:
//   offset=N     the drive's read offset in samples, with AccurateRip's sign: +6 returns the audio
//                6 samples early
//   tray=open    the tray starts open
//   nomedium     the tray holds no disc (closing it brings none)
//   speed=N      a drive of N× (1× = 75 sectors, 176 400 bytes of audio a second, at most 255):
//                each read of the medium takes the time its sectors take at the current speed,
//                which SET CD SPEED lowers (never above N×). Without it reads take no time.
//   seek=MS      what a read that does not continue the previous one costs besides (default 80
//                with speed=, else 0)
//   cache=N      an audio cache of N sectors (at most 100 000; default none): the sectors last
//                read from the medium, as they were read (faults included), answer re-reads
//                until N other sectors pushed them out, or a read with FUA refreshes them
//   nofua        the drive ignores the FUA bit of READ(10)/READ(12) (and serves them its cache)
//   faults=...   the virtual drives' fault syntax (see drive_catalogue.h) with '|' between items,
//                plus the items below. It takes the rest of the entry, so it comes last:
//                "dev/sr0=demo.cue,offset=6,faults=jitter=100|unreadable=200-202|c2=300"
//
// Fault items of the emulator alone (S: sectors, "A-B" a range, ',' between them):
//   c2=S             read with C2 errors: unstable data, C2 pointers set for the guessed bytes
//   bits=S[:MOD...]  every read of these sectors damages a few bytes (a bit flipped in each),
//                    different ones on each read, drawn from a seeded generator so runs repeat
//   firstread=S[:MOD...]  the first read of each sector from the medium is damaged that way;
//                    later reads are right (re-armed when the tray closes)
// Modifiers, ':' before each: "c2" (the drive flags the damaged bytes in its C2 pointers; without
// it they read back silently wrong), "seed=N" (default 1), "bytes=N" (damaged bytes per sector
// and read, 1..2352, default 16). E.g. "faults=bits=1000-1009:c2:seed=7|firstread=2000".

#include <cstdint>
#include <drive_catalogue.h>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace emulated {

struct SectorRange {
    int32_t first = 0;
    int32_t last = 0; // inclusive
    bool Holds(int32_t sector) const { return first <= sector && sector <= last; }
};

// Bytes damaged on reads of some sectors: every read (bits=) or the first one only (firstread=).
struct DamageFault {
    std::vector<SectorRange> sectors;
    bool firstReadOnly = false;
    bool c2Reported = false;
    uint32_t seed = 1;
    int bytesPerRead = 16;
    bool Holds(int32_t sector) const;
};

struct DriveSpec {
    std::string device; // as written
    std::string image;
    int32_t offset = 0;
    bool trayOpen = false;
    bool noMedium = false;
    int speed = 0;   // ×; 0: reads take no time
    int seekMs = -1; // -1: the default for the speed
    int cacheSectors = 0;
    bool honoursFua = true;
    drives::Faults faults;
    std::set<int32_t> c2;
    std::vector<DamageFault> damage;

    int SeekMs() const { return seekMs >= 0 ? seekMs : speed > 0 ? 80 : 0; }
};

// nullopt, with the reason in *error, on malformed text; "" gives no drive.
std::optional<std::vector<DriveSpec>> ParseDriveSpecs(const std::string &text, std::string *error);

} // namespace emulated
