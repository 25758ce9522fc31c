#include "emulated_drive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <disc_image.h>
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
    : spec_(std::move(spec)), devicePath_(std::move(devicePath)), number_(number), trayOpen_(spec_.trayOpen)
{
    LoadDisc();
}

void EmulatedDrive::LoadDisc()
{
    // The catalogue's own check of an image: one that cannot serve is a disc the drive cannot read.
    std::unique_ptr<drives::DiscImage> image = drives::DiscImage::Open(spec_.image, problem_);
    disc_ = image ? std::make_unique<EmulatedDisc>(std::move(image)) : nullptr;
    armedJitter_ = spec_.faults.jitter;
    damageReads_.clear();
    cache_.clear();
    cached_.clear();
    nextLsn_ = -1;
}

Sense EmulatedDrive::MediumSense() const
{
    if (trayOpen_)
        return kNoMediumTrayOpen;
    if (!spec_.noMedium && !problem_.empty())
        return kTocUnreadable;
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
        cache_.clear();
        cached_.clear();
    } else {
        // A disc put back is read again from the start; its first-read faults with it.
        LoadDisc();
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

std::chrono::steady_clock::time_point EmulatedDrive::TakeReadyAt()
{
    return std::exchange(readyAt_, {});
}

int EmulatedDrive::MaxSpeedKBps() const
{
    // 1× is 176.4 kB/s; an untimed drive calls itself 40×.
    return spec_.speed > 0 ? (spec_.speed * 1764 + 5) / 10 : 7056;
}

void EmulatedDrive::FromMedium(int32_t lsn)
{
    if (lsn != nextLsn_)
        ++pendingSeeks_;
    nextLsn_ = lsn + 1;
    ++pendingSectors_;
}

void EmulatedDrive::ChargeRead()
{
    using namespace std::chrono;
    nanoseconds cost = milliseconds(spec_.faults.slowMs);
    if (spec_.speed > 0) {
        const int kBps = std::clamp<int>(readSpeed_, 176, MaxSpeedKBps());
        cost += milliseconds(int64_t{pendingSeeks_} * spec_.SeekMs()) +
                nanoseconds(int64_t{pendingSectors_} * kRawBytes * 1'000'000 / kBps);
    }
    pendingSectors_ = pendingSeeks_ = 0;
    if (cost == nanoseconds::zero())
        return;
    const auto start = std::max(steady_clock::now(), busyUntil_);
    busyUntil_ = start + cost;
    readyAt_ = std::max(readyAt_, busyUntil_);
}

bool EmulatedDrive::DataSectors(int32_t lsn, int32_t count, uint8_t *out, int &error) const
{
    const EmulatedDisc *disc = Disc();
    if (!disc) {
        error = ENOMEDIUM;
        return false;
    }
    std::vector<uint8_t> raw(kRawBytes);
    for (int32_t i = 0; i < count; ++i) {
        const DiscTrack *track = disc->TrackAt(lsn + i);
        // The block device holds the data tracks' user data; audio sectors fail as on a real drive.
        if (!track || track->audio || spec_.faults.unreadable.count(lsn + i) ||
            !disc->ReadRaw(lsn + i, 1, raw.data())) {
            error = EIO;
            return false;
        }
        std::memcpy(out + static_cast<size_t>(i) * kDataBytes, raw.data() + track->userData, kDataBytes);
    }
    return true;
}

bool EmulatedDrive::ReadBlockDevice(int64_t offset, uint8_t *buffer, size_t length, int &error)
{
    const auto first = static_cast<int32_t>(offset / kDataBytes);
    const auto last = static_cast<int32_t>((offset + static_cast<int64_t>(length) - 1) / kDataBytes);
    std::vector<uint8_t> data(static_cast<size_t>(last - first + 1) * kDataBytes);
    const bool ok = DataSectors(first, last - first + 1, data.data(), error);
    if (ok) {
        for (int32_t lsn = first; lsn <= last; ++lsn)
            FromMedium(lsn);
        std::memcpy(buffer, data.data() + offset % kDataBytes, length);
    }
    ChargeRead();
    return ok;
}

bool EmulatedDrive::AudioSector::C2Flagged() const
{
    return std::any_of(c2.begin(), c2.end(), [](uint8_t b) { return b != 0; });
}

// One audio sector: from the cache when it holds it (unless bypassed), else from the medium,
// which then replaces what the cache held of it.
Sense EmulatedDrive::ReadAudioSector(int32_t lsn, bool bypassCache, AudioSector &sector)
{
    if (!bypassCache)
        if (const auto it = cached_.find(lsn); it != cached_.end()) {
            sector = it->second->second;
            return {};
        }
    const Sense sense = AudioFromMedium(lsn, sector);
    if (!sense.Ok() || spec_.cacheSectors == 0)
        return sense;
    if (const auto it = cached_.find(lsn); it != cached_.end()) {
        cache_.erase(it->second);
        cached_.erase(it);
    }
    cached_[lsn] = cache_.insert(cache_.end(), {lsn, sector});
    if (cache_.size() > static_cast<size_t>(spec_.cacheSectors)) {
        cached_.erase(cache_.front().first);
        cache_.pop_front();
    }
    return sense;
}

namespace {

uint64_t SplitMix(uint64_t &state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

void Flag(std::array<uint8_t, kC2Bytes> &c2, size_t byte)
{
    c2[byte / 8] |= static_cast<uint8_t>(0x80 >> (byte % 8));
}

} // namespace

// One audio sector read from the disc, with the drive's offset and faults applied.
Sense EmulatedDrive::AudioFromMedium(int32_t lsn, AudioSector &sector)
{
    FromMedium(lsn);
    sector.data.assign(kRawBytes, 0);
    sector.c2.fill(0);
    if (spec_.faults.unreadable.count(lsn) || !disc_->ReadAudio(lsn, 1, spec_.offset, sector.data.data()))
        return kReadError;
    if (armedJitter_.erase(lsn)) {
        // Late by a few bytes, the way the virtual drives displace a jittered sector.
        std::memmove(sector.data.data() + drives::kJitterShiftBytes, sector.data.data(),
                     kRawBytes - drives::kJitterShiftBytes);
        std::memset(sector.data.data(), sector.data[drives::kJitterShiftBytes], drives::kJitterShiftBytes);
    }
    if (spec_.c2.count(lsn)) {
        // The drive could not correct these bytes and guessed them: different on every read.
        uint32_t noise = 0x9E3779B9u * ++c2Reads_ + static_cast<uint32_t>(lsn);
        for (size_t i = 0; i < sector.data.size(); i += 7) {
            noise = noise * 1664525u + 1013904223u;
            sector.data[i] = static_cast<uint8_t>(noise >> 24);
            Flag(sector.c2, i);
        }
    }
    Damage(lsn, sector);
    return {};
}

// Bit errors the drive's error correction let through: a flipped bit in each of a few bytes,
// drawn from the fault's seed, the sector and how often it was read, so that every read differs
// and every run repeats.
void EmulatedDrive::Damage(int32_t lsn, AudioSector &sector)
{
    for (size_t f = 0; f < spec_.damage.size(); ++f) {
        const DamageFault &fault = spec_.damage[f];
        if (!fault.Holds(lsn))
            continue;
        const uint32_t read = damageReads_[{f, lsn}]++;
        if (fault.firstReadOnly && read > 0)
            continue;
        uint64_t state = uint64_t{fault.seed} << 32 ^
                         uint64_t { static_cast<uint32_t>(lsn) } * 0x100000001B3u ^ uint64_t { read } << 48;
        for (int i = 0; i < fault.bytesPerRead; ++i) {
            const uint64_t draw = SplitMix(state);
            const size_t byte = draw % kRawBytes;
            sector.data[byte] ^= static_cast<uint8_t>(1u << (draw >> 32) % 8);
            if (fault.c2Reported)
                Flag(sector.c2, byte);
        }
    }
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

// The Q sub-channel of a sector, BCD as on the disc, with its CRC: its position (mode 1) with the
// index and the pre-gap's count-down, and, once in every hundred frames each, the catalogue number
// (mode 2) and the track's ISRC (mode 3), as a pressed disc carries them.
std::array<uint8_t, 12> EmulatedDrive::QChannel(int32_t lsn) const
{
    std::array<uint8_t, 12> q{};
    const EmulatedDisc *disc = Disc();
    const DiscTrack *track = disc ? disc->QTrackAt(lsn) : nullptr;
    const uint8_t control = track ? track->control : 0;
    const int32_t absolute = lsn + 150;
    const bool inPregap = track && lsn < track->start;
    if (track && lsn % 100 == 37 && !disc->Catalog().empty()) {
        q[0] = static_cast<uint8_t>(control << 4 | 0x02);
        const std::string &mcn = disc->Catalog();
        for (size_t i = 0; i < 13; ++i)
            q[1 + i / 2] |= static_cast<uint8_t>((mcn[i] - '0') << (i % 2 ? 0 : 4));
        q[9] = Bcd(absolute % 75);
    } else if (track && !inPregap && lsn % 100 == 73 && track->isrc.size() == 12) {
        // Five characters of six bits (digits 0-9, letters from 0x11), seven BCD digits.
        q[0] = static_cast<uint8_t>(control << 4 | 0x03);
        uint64_t bits = 0;
        for (size_t i = 0; i < 5; ++i) {
            const char c = track->isrc[i];
            bits = bits << 6 | static_cast<uint64_t>(c >= 'A' ? c - 'A' + 0x11 : c - '0');
        }
        bits <<= 2;
        for (size_t i = 5; i < 12; ++i)
            bits = bits << 4 | static_cast<uint64_t>(track->isrc[i] - '0');
        bits <<= 4;
        for (int i = 0; i < 8; ++i)
            q[1 + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
        q[9] = Bcd(absolute % 75);
    } else {
        q[0] = static_cast<uint8_t>(control << 4 | 0x01);
        q[1] = track ? Bcd(track->number) : 0xAA;
        int index = inPregap ? 0 : 1;
        if (track)
            for (const int32_t at : track->indexes)
                index += lsn >= at ? 1 : 0;
        q[2] = track ? Bcd(index) : 0x01;
        // In the pre-gap the relative time counts down to 0 at its last sector.
        PutMsf(q.data() + 3, !track ? 0 : inPregap ? track->start - 1 - lsn : lsn - track->start);
        PutMsf(q.data() + 7, absolute);
    }
    const uint16_t crc = QCrc(q.data());
    q[10] = static_cast<uint8_t>(crc >> 8);
    q[11] = static_cast<uint8_t>(crc);
    return q;
}

} // namespace emulated
