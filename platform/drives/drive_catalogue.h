#pragma once
// The one catalogue of CD-ROM drives that every layer names drives by (the ASPI layer, both
// ripping libraries, the window), and the process-wide state of the virtual drives.
//
// Order: real optical drives (/dev/sr0, /dev/sr1, ... numerically; the srN of QUAVREL_DEVICE_DIR
// when that variable is set), then the disc images the user lists, then, when there is nothing
// else, the bundled demo disc. Images are listed one path a line in
// "$XDG_CONFIG_HOME/Quavrel/drives" (~/.config when XDG_CONFIG_HOME is unset; empty lines and lines
// starting with '#' are skipped; relative paths are relative to that directory) and in
// QUAVREL_DRIVES (paths separated by ':'). An image libcdio cannot open is still a drive, with its
// tray closed and no medium. When QUAVREL_DRIVES is set it alone decides the virtual drives: the
// drives file is not read and the demo disc is not added, so QUAVREL_DRIVES="" gives none at all.
//
// The catalogue is built on first use and kept until RebuildCatalogue(). A drive index is valid
// until the next rebuild. Everything here may be called from any thread (one lock inside), but the
// system calls it from its UI thread only.
//
// Virtual drives answer tray, lock and play operations from their state here; real drives are
// driven by their callers (SG_IO, libcdio MMC calls) and these operations answer NotVirtual.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#define QUAVREL_DRIVES_API __attribute__((visibility("default")))

namespace drives {

inline constexpr int32_t kSectorBytes = 2352; // one raw audio sector
inline constexpr int32_t kFramesPerSecond = 75;
inline constexpr int32_t kLeadInFrames = 150; // LBA 0 is MSF 00:02:00

enum class DriveKind { Real, Virtual };

struct DriveInfo {
    DriveKind kind = DriveKind::Virtual;
    std::string path;        // "/dev/srN" or the image's path
    std::string vendor;      // INQUIRY vendor, at most 8 characters
    std::string product;     // INQUIRY product, at most 16 characters
    std::string revision;    // INQUIRY revision, at most 4 characters
    std::string description; // readable, e.g. "QUAVREL Virtual CD-ROM 1.0 (demo.cue)"
};

// Outcome of a drive operation. The ASPI layer turns each into SCSI sense data.
enum class DriveError {
    None,
    NoSuchDrive,  // index outside the catalogue
    NotVirtual,   // the operation is answered by the real device, not here
    TrayOpen,     // no medium because the tray is open
    NoMedium,     // tray closed, but no readable medium (the image cannot be opened)
    Locked,       // tray locked: OpenTray refused
    OutOfRange,   // an address outside the disc
    DataTrack,    // play asked to start in a data track
    InvalidRange, // start after end
    NotPlaying,   // Pause/Resume with no audio operation to pause or resume
    ReadError,    // unreadable sector (injected fault) or I/O failure
};

// ---- Catalogue ----

QUAVREL_DRIVES_API size_t DriveCount();
QUAVREL_DRIVES_API std::vector<DriveInfo> Drives();
// nullopt when index is outside the catalogue.
QUAVREL_DRIVES_API std::optional<DriveInfo> Drive(size_t index);
QUAVREL_DRIVES_API bool IsVirtual(size_t index);
// Forgets every drive and its state (tray, play, faults), then builds the catalogue again from the
// devices, the drives file and the environment (including QUAVREL_FAULTS). Listeners stay.
QUAVREL_DRIVES_API void RebuildCatalogue();
// The bundled demo disc's cue sheet, whether or not it exists on disk.
QUAVREL_DRIVES_API std::string DemoDiscPath();

// ---- Table of contents (libcdio, for real and virtual drives) ----

struct TocTrack {
    int number = 0;       // 1..99
    int32_t startLba = 0; // LBA: 0 is MSF 00:02:00
    bool audio = true;
};

struct QUAVREL_DRIVES_API DiscToc {
    int firstTrack = 0;
    int lastTrack = 0;
    std::vector<TocTrack> tracks; // firstTrack..lastTrack in order
    int32_t leadOutLba = 0;

    // The track holding lba (the last track whose start is <= lba), or nullptr.
    const TocTrack *TrackAt(int32_t lba) const;
    // The end (exclusive) of the given track: the next track's start, or the lead-out.
    int32_t TrackEnd(const TocTrack &track) const;
};

// The TOC of the drive's medium. Virtual drives with the tray open or no medium give TrayOpen or
// NoMedium; real drives without a readable disc give NoMedium.
QUAVREL_DRIVES_API DriveError ReadToc(size_t index, DiscToc &toc);

// ---- What the disc holds besides its table of contents ----

struct TrackContents {
    int number = 0;
    int32_t pregap = 0;  // the first sector of its INDEX 00; its start when it has no pre-gap
    uint8_t control = 0; // the Q control nibble: 8 four channels, 4 data, 2 copy permitted, 1 pre-emphasis
    std::string isrc;    // 12 characters, or empty
};

struct DiscContents {
    std::vector<TrackContents> tracks; // those of the TOC, in order
    std::string catalog;               // the catalogue number (MCN/UPC), 13 digits, or empty
    std::vector<uint8_t> cdText;       // CD-Text packs, as READ TOC format 5 without its header
};

// The pre-gaps, flags, ISRCs, catalogue number and CD-Text of the drive's disc. A virtual drive
// answers from its image; a real drive from READ TOC (formats 0 and 5), READ SUB-CHANNEL (formats 2
// and 3) and, for the pre-gaps, the Q sub-channel of a few sectors before each track (windows of 27
// sectors read at once: just before the start, where a two-second gap begins, then halving). A drive that
// cannot read the Q sub-channel gives tracks without pre-gaps; the first track's pre-gap is whatever
// lies before its start.
QUAVREL_DRIVES_API DriveError ReadContents(size_t index, DiscContents &contents);

// ---- Virtual drive state ----

enum class PlayState {
    Stopped, // nothing played, or Stop
    Playing,
    Paused,
    Completed, // the play range ended by itself
};

struct PlayStatus {
    PlayState state = PlayState::Stopped;
    int32_t lba = 0;      // current position (the clock, frozen unless Playing)
    int32_t startLba = 0; // the play range of the last Play
    int32_t endLba = 0;   // exclusive
};

struct TrayStatus {
    bool open = false;
    bool mediumPresent = false; // tray closed and the image opened
    bool locked = false;
};

QUAVREL_DRIVES_API DriveError GetTrayStatus(size_t index, TrayStatus &status);
// Why a virtual drive's closed tray holds no usable disc (its audio file missing, truncated or
// unreadable), in French with the file's path; empty when it does, or for a real drive (but for
// an emulated one, which says it through libquavrel_emulated_drive.so's test seam).
QUAVREL_DRIVES_API std::string MediumProblem(size_t index);
// Opening removes the medium (stopping play) and tells the listeners; refused with Locked.
// Opening an open tray, or closing a closed one, succeeds and notifies nobody.
QUAVREL_DRIVES_API DriveError OpenTray(size_t index);
// Closing restores the medium and tells the listeners.
QUAVREL_DRIVES_API DriveError CloseTray(size_t index);
QUAVREL_DRIVES_API DriveError Lock(size_t index);
QUAVREL_DRIVES_API DriveError Unlock(size_t index);

// Plays [startLba, endLba). start == end is accepted and plays nothing. start must lie in an audio
// track; end may be the lead-out at most.
QUAVREL_DRIVES_API DriveError Play(size_t index, int32_t startLba, int32_t endLba);
// Pause while paused and Resume while playing succeed; either with nothing started fails NotPlaying.
QUAVREL_DRIVES_API DriveError Pause(size_t index);
QUAVREL_DRIVES_API DriveError Resume(size_t index);
// Stop always succeeds on a drive with a medium; the position stays where it was.
QUAVREL_DRIVES_API DriveError Stop(size_t index);
QUAVREL_DRIVES_API DriveError Position(size_t index, PlayStatus &status);

// The play clock reads this time source (steady_clock by default). Tests install a manual clock;
// an empty function restores the default.
using ClockSource = std::function<std::chrono::steady_clock::time_point()>;
QUAVREL_DRIVES_API void SetClockSource(ClockSource clock);

// ---- Medium arrival and removal ----

// Called synchronously, on the thread that opened or closed the tray, after the state changed and
// outside the catalogue's lock (a listener may call back into it).
using MediumListener = std::function<void(size_t driveIndex, bool arrived)>;
QUAVREL_DRIVES_API int AddMediumListener(MediumListener listener); // returns an id > 0
QUAVREL_DRIVES_API void RemoveMediumListener(int id);

// ---- Audio sectors ----

// Reads sectorCount raw audio sectors (2352 bytes each, the image's bytes unchanged) from lsn on
// into buffer, for a virtual drive. Applies the drive's faults: an unreadable sector in the range
// fails the whole read with ReadError; a slow drive sleeps slowMs on every read (outside the lock);
// the first read covering an armed jitter sector returns that sector displaced (see Faults) and
// disarms it. Jitter sectors are armed again by SetFaults and when the tray closes.
QUAVREL_DRIVES_API DriveError ReadAudio(size_t index, int32_t lsn, int32_t sectorCount, void *buffer);

// ---- Fault injection (virtual drives) ----

struct SenseFault {
    uint8_t opcode = 0; // the SCSI command answered with this sense
    uint8_t key = 0;
    uint8_t asc = 0;
    uint8_t ascq = 0;
};

struct Faults {
    std::set<int32_t> jitter;     // sectors returned displaced by kJitterShiftBytes once each
    std::set<int32_t> unreadable; // sectors that fail every read
    int slowMs = 0;               // sleep before every read
    std::vector<SenseFault> sense;
};

// Jittered data is the sector's bytes moved this far later in the buffer (the start repeats the
// byte of the previous sample), the way a drive that lost its place would return it.
inline constexpr int32_t kJitterShiftBytes = 8;

// Parses the QUAVREL_FAULTS syntax: items separated by ';', each "name=value":
//   jitter=S[,S...]        sectors (LSN); a range "A-B" stands for A..B inclusive; 1,000,000 at most
//   unreadable=S[,S...]    same form
//   slow=MS                milliseconds slept before each read
//   sense=OP:KK/AA/QQ[,...] opcode, sense key, ASC, ASCQ, in hexadecimal ("0x" optional)
// e.g. "jitter=1000,2000;unreadable=3000-3004;slow=5;sense=0x43:02/3A/00".
// nullopt, with a message in *error, on malformed text; "" gives no faults.
QUAVREL_DRIVES_API std::optional<Faults> ParseFaults(const std::string &text, std::string *error = nullptr);

// Replaces the faults of one virtual drive (re-arming its jitter sectors). QUAVREL_FAULTS, read
// when the catalogue is built, applies to every virtual drive; malformed text there injects nothing
// (check it with ParseFaults).
QUAVREL_DRIVES_API DriveError SetFaults(size_t index, const Faults &faults);
QUAVREL_DRIVES_API DriveError ClearFaults(size_t index);
// The sense scripted for opcode on this drive, if any.
QUAVREL_DRIVES_API std::optional<SenseFault> ScriptedSense(size_t index, uint8_t opcode);

} // namespace drives
