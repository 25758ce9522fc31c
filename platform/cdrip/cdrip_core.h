#pragma once
// The ripping library's state and operations, shared by its two front-ends. Each front-end
// library holds its own Core (hidden, bound inside that library): a process that loads both
// has two independent cores over the one drive catalogue.
//
// Not thread-safe: the system calls it from its UI thread only.

#include "cdrip_types.h"
#include "drive_catalogue.h"
#include "drive_control.h"
#include "rip_session.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace cdrip {

inline constexpr int32_t kCdRipVersion = 100;

class Core {
  public:
    // Takes the catalogue's drives and reads the settings file; 0, also with no drive at all.
    int32_t Init(const char *settingsName);
    // Reads the settings file; 1 when it exists but cannot be read (errno says why), the drives
    // then keep their parameters.
    int32_t LoadSettings();
    // 1 with errno set when the file cannot be read (it is then left as it is) or written.
    int32_t SaveSettings();

    int32_t DriveCount() const { return static_cast<int32_t>(drives_.size()); }
    int32_t ActiveDrive() const { return active_; }
    int32_t SetActiveDrive(int32_t index);
    // "" when index is outside the drive list.
    const char *Description(int32_t index) const;

    int32_t GetParams(TCDRomParams *params, size_t size) const;
    int32_t SetParams(const TCDRomParams *params, size_t size);
    int32_t SelectDriveType(int32_t type);
    int32_t DriveType() const;

    int32_t ReadToc();
    int32_t TocTrackCount() const;
    int32_t TocEntry(int32_t index, TCdRipTocEntry *entry) const;
    // What the disc holds besides its TOC, kept until the next ReadToc or drive change.
    int32_t ReadContents();
    int32_t TrackContents(int32_t index, TCdRipTrackContents *contents) const;
    int32_t CatalogNumber(char *catalog) const;
    // Reads the contents first when they are not read yet.
    int32_t CdText(char *buffer, int32_t size);

    int32_t OpenRipper(int32_t *bufferBytes, int32_t firstSector, int32_t lastSector);
    int32_t CloseRipper();
    // Abort, or else the flag set with SetAbortFlag, is read before every sector (from another
    // thread too): once non-zero the chunk stops and fails.
    int32_t RipChunk(uint8_t *buffer, int32_t *bytes, const int32_t *abort);
    void SetAbortFlag(const int32_t *flag) { abortFlag_ = flag; }
    // These describe the open rip, or the last one once it is closed.
    int32_t PercentCompleted() const;
    int32_t JitterErrors() const;
    void LastJitterError(int32_t *firstSector, int32_t *lastSector) const;
    int32_t Peak() const;
    int32_t NextSector() const;
    // The damaged runs of the open or last rip: *count of them, at most capacity written.
    int32_t Damage(TCdRipDamageRun *runs, int32_t capacity, int32_t *count) const;

    // The sectors read from the disc with the force-unit-access bit, so that what the drive's
    // cache holds of them is the disc's; CDRIP_ERROR where the drive refuses it (an image).
    int32_t RefreshAudio(int32_t firstSector, int32_t sectorCount);
    bool IsMmc();
    bool MediumLoaded();
    int32_t Eject(bool open);
    int32_t Lock(bool lock);
    int32_t PlayTrack(int32_t track);
    int32_t PlaySection(int32_t firstSector, int32_t lastSector);
    int32_t SetPlayPosition(int32_t sector);
    int32_t Stop();
    int32_t Pause(bool pause);
    PlayReport PlayStatus();
    // The track holding sector in the TOC of the medium, 0 when none.
    int32_t TrackAt(int32_t sector);
    const SenseData &LastSense() const { return sense_; }

  private:
    struct Drive {
        drives::DriveInfo info;
        TCDRomParams params;
        std::unique_ptr<DriveControl> control;
        // Fields whose text in the settings file could not be used: name -> the value kept instead.
        std::unordered_map<std::string, int64_t> heldBack;
    };
    struct RipStats {
        int32_t percent = 0;
        int32_t jitterErrors = 0;
        int32_t lastFirst = 0;
        int32_t lastLast = 0;
        int32_t peak = 0;
        int32_t next = 0;
        std::vector<TCdRipDamageRun> damage;
    };

    Drive *Active();
    int32_t Result(Drive &drive, bool ok);
    void TakeStats();

    std::string settingsPath_;
    std::vector<Drive> drives_;
    int32_t active_ = 0;
    std::vector<TCdRipTocEntry> toc_; // tracks, then the lead-out; empty when not read
    std::optional<drives::DiscContents> contents_;
    std::unique_ptr<RipSession> session_;
    size_t sessionDrive_ = 0;
    bool lockedForRip_ = false;
    const int32_t *abortFlag_ = nullptr;
    RipStats stats_;
    SenseData sense_;
};

// The one Core of the library this is linked into.
Core &TheCore();

} // namespace cdrip
