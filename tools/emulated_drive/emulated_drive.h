#pragma once
// One emulated drive: the disc, its tray, lock, speed, cache, play clock and sense, and the MMC
// commands it answers. The kernel's CD-ROM ioctls are answered by translating them into these
// commands (cdrom_ioctls.cpp), as Linux's cdrom layer does.
//
// Threads: every call but Lock() needs Lock() held. A read does not sleep: it leaves the moment
// its medium time ends in TakeReadyAt(), and the caller sleeps until then with the lock released,
// so that other threads (other drives, other descriptors, this drive's status) never wait for it.
// Reads of one drive follow each other in time as on a real drive: each starts when the one
// before ends.

#include "drive_spec.h"
#include "emulated_disc.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace emulated {

struct Sense {
    uint8_t key = 0;
    uint8_t asc = 0;
    uint8_t ascq = 0;
    bool Ok() const { return key == 0 && asc == 0; }
};

inline constexpr Sense kNoMediumTrayClosed{0x02, 0x3A, 0x01};
inline constexpr Sense kNoMediumTrayOpen{0x02, 0x3A, 0x02};
inline constexpr Sense kInvalidOpcode{0x05, 0x20, 0x00};
inline constexpr Sense kInvalidField{0x05, 0x24, 0x00};
inline constexpr Sense kOutOfRange{0x05, 0x21, 0x00};
inline constexpr Sense kReadError{0x03, 0x11, 0x00};
inline constexpr Sense kIllegalModeForTrack{0x05, 0x64, 0x00};
inline constexpr Sense kSequenceError{0x05, 0x2C, 0x00};
inline constexpr Sense kRemovalPrevented{0x05, 0x53, 0x02};
inline constexpr Sense kParameterListInvalid{0x05, 0x26, 0x00};
// A disc the drive cannot read the table of contents of: the drive's answer to a broken image.
inline constexpr Sense kTocUnreadable{0x03, 0x57, 0x00};

inline constexpr size_t kC2Bytes = 294; // one bit per byte of a 2352-byte sector

// 18 bytes, response code 0x70.
std::array<uint8_t, 18> FixedSense(Sense sense);

struct CommandOutcome {
    Sense sense;
    uint32_t transferred = 0; // bytes written to (or taken from) the buffer
};

// MMC audio status codes of READ SUB-CHANNEL.
enum AudioStatus : uint8_t {
    kAudioPlaying = 0x11,
    kAudioPaused = 0x12,
    kAudioCompleted = 0x13,
    kAudioNoStatus = 0x15,
};

class EmulatedDrive {
  public:
    // Tells who listens (the udev seam) that the medium arrived (true) or left.
    using MediumNotifier = std::function<void(const std::string &device, bool arrived)>;

    EmulatedDrive(DriveSpec spec, std::string devicePath, int number);

    std::mutex &Lock() { return lock_; }
    // When the medium time of the reads since the last call ends (a past time when nothing waits).
    std::chrono::steady_clock::time_point TakeReadyAt();

    const DriveSpec &Spec() const { return spec_; }
    const std::string &DevicePath() const { return devicePath_; }
    int Number() const { return number_; }
    void SetMediumNotifier(MediumNotifier notifier) { notifier_ = std::move(notifier); }

    // One CDB; toDevice says which way the buffer goes. The sense is remembered for REQUEST SENSE.
    CommandOutcome Execute(const uint8_t *cdb, size_t cdbLength, uint8_t *buffer, uint32_t length,
                           bool toDevice);

    bool TrayOpen() const { return trayOpen_; }
    bool MediumPresent() const { return !trayOpen_ && !spec_.noMedium && disc_ != nullptr; }
    // Why the image in the closed tray cannot serve as a disc (the drive catalogue's check, in
    // French with the file at fault); empty when it can or when no disc is in.
    const std::string &MediumProblem() const { return problem_; }
    // The disc, or nullptr when no medium is present.
    const EmulatedDisc *Disc() const { return MediumPresent() ? disc_.get() : nullptr; }
    // Reports (and forgets) whether the medium changed since the last call.
    bool TakeMediaChanged();
    // The sg driver's per-device values (SG_SET_RESERVED_SIZE, SG_SET_TIMEOUT).
    int SgReservedSize() const { return sgReservedSize_; }
    void SetSgReservedSize(int bytes) { sgReservedSize_ = bytes; }
    int SgTimeout() const { return sgTimeout_; }
    void SetSgTimeout(int timeout) { sgTimeout_ = timeout; }

    // Data track user data at byte offset of the block device, as read() sees it (timed as a read).
    bool ReadBlockDevice(int64_t offset, uint8_t *buffer, size_t length, int &error);

  private:
    // One audio sector as the drive returns it, with the C2 pointers of the bytes it flagged.
    struct AudioSector {
        std::vector<uint8_t> data;
        std::array<uint8_t, kC2Bytes> c2{};
        bool C2Flagged() const;
    };

    Sense MediumSense() const;
    void LoadDisc();
    void SetTray(bool open);
    void AdvanceClock();
    int MaxSpeedKBps() const;
    bool DataSectors(int32_t lsn, int32_t count, uint8_t *out, int &error) const;
    // The medium time of one read command: the sectors read from the medium since the last call,
    // a seek when they do not follow the ones before, and the slow fault.
    void ChargeRead();
    void FromMedium(int32_t lsn);
    Sense ReadAudioSector(int32_t lsn, bool bypassCache, AudioSector &sector);
    Sense AudioFromMedium(int32_t lsn, AudioSector &sector);
    void Damage(int32_t lsn, AudioSector &sector);

    Sense Inquiry(const uint8_t *cdb, std::vector<uint8_t> &out) const;
    Sense StartStopUnit(const uint8_t *cdb);
    Sense ReadToc(const uint8_t *cdb, std::vector<uint8_t> &out) const;
    Sense ReadSubChannel(const uint8_t *cdb, std::vector<uint8_t> &out);
    Sense Play(int32_t start, int32_t end);
    Sense PauseResume(bool resume);
    Sense ReadCd(int32_t lsn, int32_t count, uint8_t expectedType, uint8_t flags, uint8_t subChannel,
                 std::vector<uint8_t> &out);
    Sense Read(int32_t lsn, int32_t count, bool fua, std::vector<uint8_t> &out);
    Sense ModeSense(const uint8_t *cdb, std::vector<uint8_t> &out) const;
    Sense ModeSelect(const uint8_t *data, uint32_t length);
    Sense GetConfiguration(std::vector<uint8_t> &out) const;
    Sense EventStatus(const uint8_t *cdb, std::vector<uint8_t> &out);
    Sense DiscInformation(std::vector<uint8_t> &out) const;
    Sense ReadCapacity(std::vector<uint8_t> &out) const;
    std::array<uint8_t, 12> QChannel(int32_t lsn) const;

    std::mutex lock_;
    DriveSpec spec_;
    std::string devicePath_;
    int number_ = 0;
    std::unique_ptr<EmulatedDisc> disc_;
    std::string problem_;
    MediumNotifier notifier_;

    bool trayOpen_ = false;
    bool locked_ = false;
    bool mediaChanged_ = false;     // for CDROM_MEDIA_CHANGED
    uint8_t pendingMediaEvent_ = 0; // for GET EVENT STATUS NOTIFICATION: 2 new, 3 removed
    uint16_t readSpeed_ = 0xFFFF;   // kB/s, as SET CD SPEED left it
    uint32_t blockLength_ = 2048;   // of READ(10)/READ(12), as MODE SELECT left it
    int sgReservedSize_ = 128 * 1024;
    int sgTimeout_ = 0;
    std::array<uint8_t, 12> errorRecoveryPage_{0x01, 0x0A, 0x00, 0x05};
    std::array<uint8_t, 16> audioControlPage_{0x0E, 0x0E, 0x04, 0, 0, 0, 0, 0, 0x01, 0xFF, 0x02, 0xFF};
    Sense lastSense_;
    std::set<int32_t> armedJitter_;
    uint32_t c2Reads_ = 0; // varies the damage of C2 sectors from read to read
    std::map<std::pair<size_t, int32_t>, uint32_t> damageReads_; // (fault, sector): reads so far

    // The audio cache: sectors as last read from the medium, oldest first.
    std::list<std::pair<int32_t, AudioSector>> cache_;
    std::unordered_map<int32_t, decltype(cache_)::iterator> cached_;

    // The read timing: where the head is, what the current command read, when the drive is free.
    int32_t nextLsn_ = -1;
    int32_t pendingSectors_ = 0;
    int32_t pendingSeeks_ = 0;
    std::chrono::steady_clock::time_point busyUntil_{};
    std::chrono::steady_clock::time_point readyAt_{};

    // The play clock: 75 sectors a second while playing.
    uint8_t audioStatus_ = kAudioNoStatus;
    int32_t playPosition_ = 0;
    int32_t playEnd_ = 0;
    std::chrono::steady_clock::time_point clockFrom_{};
    int32_t clockFromLsn_ = 0;
};

} // namespace emulated
