#include "emulated_drive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

namespace emulated {

std::array<uint8_t, 18> FixedSense(Sense sense)
{
    std::array<uint8_t, 18> bytes{};
    bytes[0] = 0x70;
    bytes[2] = sense.key;
    bytes[7] = 10; // additional length
    bytes[12] = sense.asc;
    bytes[13] = sense.ascq;
    return bytes;
}

EmulatedDrive::EmulatedDrive(DriveSpec spec, std::string devicePath, int number)
    : spec_(std::move(spec)), devicePath_(std::move(devicePath)), number_(number),
      disc_(std::make_unique<EmulatedDisc>(spec_.image)), trayOpen_(spec_.trayOpen),
      armedJitter_(spec_.faults.jitter)
{
}

Sense EmulatedDrive::MediumSense() const
{
    if (trayOpen_)
        return kNoMediumTrayOpen;
    return MediumPresent() ? Sense{} : kNoMediumTrayClosed;
}

void EmulatedDrive::SetTray(bool open)
{
    if (open == trayOpen_)
        return;
    const bool hadMedium = MediumPresent();
    trayOpen_ = open;
    if (open) {
        audioStatus_ = kAudioNoStatus;
    } else {
        // A disc put back is read again from the start; its jitter faults with it.
        disc_ = std::make_unique<EmulatedDisc>(spec_.image);
        armedJitter_ = spec_.faults.jitter;
    }
    if (hadMedium != MediumPresent()) {
        mediaChanged_ = true;
        pendingMediaEvent_ = hadMedium ? 3 : 2;
        if (notifier_)
            notifier_(devicePath_, !hadMedium);
    }
}

void EmulatedDrive::AdvanceClock()
{
    if (audioStatus_ != kAudioPlaying)
        return;
    const auto now = std::chrono::steady_clock::now();
    const auto sectors =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - clockFrom_).count() * 75 / 1000;
    playPosition_ = static_cast<int32_t>(std::min<int64_t>(clockFromLsn_ + sectors, playEnd_));
    if (playPosition_ >= playEnd_)
        audioStatus_ = kAudioCompleted;
}

bool EmulatedDrive::TakeMediaChanged()
{
    return std::exchange(mediaChanged_, false);
}

bool EmulatedDrive::ReadBlockDevice(int64_t offset, uint8_t *buffer, size_t length, int &error) const
{
    const EmulatedDisc *disc = Disc();
    if (!disc) {
        error = ENOMEDIUM;
        return false;
    }
    std::vector<uint8_t> raw(kRawBytes);
    size_t done = 0;
    while (done < length) {
        const int64_t at = offset + static_cast<int64_t>(done);
        const auto lsn = static_cast<int32_t>(at / kDataBytes);
        const DiscTrack *track = disc->TrackAt(lsn);
        // The block device holds the data tracks' user data; audio sectors fail as on a real drive.
        if (!track || track->audio || spec_.faults.unreadable.count(lsn) ||
            !disc->ReadRaw(lsn, 1, raw.data())) {
            error = EIO;
            return false;
        }
        const size_t within = static_cast<size_t>(at % kDataBytes);
        const size_t n = std::min(length - done, static_cast<size_t>(kDataBytes) - within);
        std::memcpy(buffer + done, raw.data() + track->userData + within, n);
        done += n;
    }
    return true;
}

namespace {

uint8_t Bcd(int value)
{
    return static_cast<uint8_t>((value / 10) << 4 | (value % 10));
}

void PutMsf(uint8_t *out, int32_t frames)
{
    out[0] = Bcd(frames / 4500);
    out[1] = Bcd(frames / 75 % 60);
    out[2] = Bcd(frames % 75);
}

uint16_t QCrc(const uint8_t *q)
{
    uint16_t crc = 0;
    for (int i = 0; i < 10; ++i) {
        crc ^= static_cast<uint16_t>(q[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return static_cast<uint16_t>(~crc);
}

} // namespace

// The Q sub-channel of a sector in mode 1 (position), BCD as on the disc, with its CRC.
std::array<uint8_t, 12> EmulatedDrive::QChannel(int32_t lsn) const
{
    std::array<uint8_t, 12> q{};
    const EmulatedDisc *disc = Disc();
    const DiscTrack *track = disc ? disc->TrackAt(lsn) : nullptr;
    q[0] = static_cast<uint8_t>((track ? track->control : 0) << 4 | 0x01);
    q[1] = track ? Bcd(track->number) : 0xAA;
    q[2] = 0x01; // index 1: the emulated discs have no pre-gaps
    PutMsf(q.data() + 3, track ? lsn - track->start : 0);
    PutMsf(q.data() + 7, lsn + 150);
    const uint16_t crc = QCrc(q.data());
    q[10] = static_cast<uint8_t>(crc >> 8);
    q[11] = static_cast<uint8_t>(crc);
    return q;
}

// One audio sector with the drive's offset and faults applied; c2 tells whether it was read with
// C2 errors.
std::vector<uint8_t> EmulatedDrive::SectorAudio(int32_t lsn, bool &c2, Sense &sense)
{
    std::vector<uint8_t> sector(kRawBytes);
    c2 = false;
    if (spec_.faults.unreadable.count(lsn) || !disc_->ReadAudio(lsn, 1, spec_.offset, sector.data())) {
        sense = kReadError;
        return {};
    }
    if (armedJitter_.erase(lsn)) {
        // Late by a few bytes, the way the virtual drives displace a jittered sector.
        std::memmove(sector.data() + drives::kJitterShiftBytes, sector.data(),
                     kRawBytes - drives::kJitterShiftBytes);
        std::memset(sector.data(), sector[drives::kJitterShiftBytes], drives::kJitterShiftBytes);
    }
    if (spec_.c2.count(lsn)) {
        // The drive could not correct these bytes and guessed them: different on every read.
        c2 = true;
        uint32_t noise = 0x9E3779B9u * ++c2Reads_ + static_cast<uint32_t>(lsn);
        for (size_t i = 0; i < sector.size(); i += 7) {
            noise = noise * 1664525u + 1013904223u;
            sector[i] = static_cast<uint8_t>(noise >> 24);
        }
    }
    return sector;
}

} // namespace emulated
