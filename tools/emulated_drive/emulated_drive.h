#pragma once
// One emulated drive: the disc, its tray, lock, speed, play clock and sense, and the MMC commands
// it answers. The kernel's CD-ROM ioctls are answered by translating them into these commands
// (cdrom_ioctls.cpp), as Linux's cdrom layer does. Not thread-safe: the caller serialises.

#include "drive_spec.h"
#include "emulated_disc.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
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

    const DriveSpec &Spec() const { return spec_; }
    const std::string &DevicePath() const { return devicePath_; }
    int Number() const { return number_; }
    void SetMediumNotifier(MediumNotifier notifier) { notifier_ = std::move(notifier); }

    // One CDB; toDevice says which way the buffer goes. The sense is remembered for REQUEST SENSE.
    CommandOutcome Execute(const uint8_t *cdb, size_t cdbLength, uint8_t *buffer, uint32_t length,
                           bool toDevice);

    bool TrayOpen() const { return trayOpen_; }
    bool MediumPresent() const { return !trayOpen_ && !spec_.noMedium && disc_ && disc_->IsOpen(); }
    // The disc, or nullptr when no medium is present.
    const EmulatedDisc *Disc() const { return MediumPresent() ? disc_.get() : nullptr; }
    // Reports (and forgets) whether the medium changed since the last call.
    bool TakeMediaChanged();

    // Data track user data at byte offset of the block device, as read() sees it.
    bool ReadBlockDevice(int64_t offset, uint8_t *buffer, size_t length, int &error) const;

  private:
    Sense MediumSense() const;
    void SetTray(bool open);
    void AdvanceClock();

    Sense Inquiry(const uint8_t *cdb, std::vector<uint8_t> &out) const;
    Sense StartStopUnit(const uint8_t *cdb);
    Sense ReadToc(const uint8_t *cdb, std::vector<uint8_t> &out) const;
    Sense ReadSubChannel(const uint8_t *cdb, std::vector<uint8_t> &out);
    Sense Play(int32_t start, int32_t end);
    Sense PauseResume(bool resume);
    Sense ReadCd(int32_t lsn, int32_t count, uint8_t expectedType, uint8_t flags, uint8_t subChannel,
                 std::vector<uint8_t> &out);
    Sense Read10(const uint8_t *cdb, std::vector<uint8_t> &out) const;
    Sense ModeSense(const uint8_t *cdb, std::vector<uint8_t> &out) const;
    Sense ModeSelect(const uint8_t *data, uint32_t length);
    Sense GetConfiguration(std::vector<uint8_t> &out) const;
    Sense EventStatus(const uint8_t *cdb, std::vector<uint8_t> &out);
    Sense DiscInformation(std::vector<uint8_t> &out) const;
    Sense ReadCapacity(std::vector<uint8_t> &out) const;
    std::vector<uint8_t> SectorAudio(int32_t lsn, bool &c2, Sense &sense);
    std::array<uint8_t, 12> QChannel(int32_t lsn) const;

    DriveSpec spec_;
    std::string devicePath_;
    int number_ = 0;
    std::unique_ptr<EmulatedDisc> disc_;
    MediumNotifier notifier_;

    bool trayOpen_ = false;
    bool locked_ = false;
    bool mediaChanged_ = false;     // for CDROM_MEDIA_CHANGED
    uint8_t pendingMediaEvent_ = 0; // for GET EVENT STATUS NOTIFICATION: 2 new, 3 removed
    uint16_t readSpeed_ = 0xFFFF;   // kB/s, as SET CD SPEED left it
    std::array<uint8_t, 12> errorRecoveryPage_{0x01, 0x0A, 0x00, 0x05};
    std::array<uint8_t, 16> audioControlPage_{0x0E, 0x0E, 0x04, 0, 0, 0, 0, 0, 0x01, 0xFF, 0x02, 0xFF};
    Sense lastSense_;
    std::set<int32_t> armedJitter_;
    uint32_t c2Reads_ = 0; // varies the damage of C2 sectors from read to read

    // The play clock: 75 sectors a second while playing.
    uint8_t audioStatus_ = kAudioNoStatus;
    int32_t playPosition_ = 0;
    int32_t playEnd_ = 0;
    std::chrono::steady_clock::time_point clockFrom_{};
    int32_t clockFromLsn_ = 0;
};

} // namespace emulated
