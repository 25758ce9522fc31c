// The MMC commands an emulated drive answers, with the sense a drive gives for each refusal.

#include "emulated_drive.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace emulated {
namespace {

uint16_t Be16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t Be32(const uint8_t *p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void Put16(std::vector<uint8_t> &out, size_t at, uint32_t value)
{
    out[at] = static_cast<uint8_t>(value >> 8);
    out[at + 1] = static_cast<uint8_t>(value);
}

void Put32(uint8_t *out, uint32_t value)
{
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}

// An address in READ TOC / READ SUB-CHANNEL form: MSF (binary, lead-in included) or LBA.
void PutAddress(uint8_t *out, int32_t lsn, bool msf)
{
    if (!msf) {
        Put32(out, static_cast<uint32_t>(lsn));
        return;
    }
    const int32_t frames = lsn + 150;
    out[0] = 0;
    out[1] = static_cast<uint8_t>(frames / 4500);
    out[2] = static_cast<uint8_t>(frames / 75 % 60);
    out[3] = static_cast<uint8_t>(frames % 75);
}

int32_t MsfToLsn(const uint8_t *msf)
{
    return msf[0] * 4500 + msf[1] * 75 + msf[2] - 150;
}

void PutText(std::vector<uint8_t> &out, size_t at, size_t length, const char *text)
{
    std::memset(out.data() + at, ' ', length);
    std::memcpy(out.data() + at, text, std::min(length, std::strlen(text)));
}

// Commands that need a disc in the drive.
bool NeedsMedium(uint8_t opcode)
{
    switch (opcode) {
    case 0x00:
    case 0x25:
    case 0x28:
    case 0x42:
    case 0x43:
    case 0x45:
    case 0x47:
    case 0x4B:
    case 0x4E:
    case 0x51:
    case 0xA8:
    case 0xB9:
    case 0xBE:
        return true;
    default:
        return false;
    }
}

} // namespace

CommandOutcome EmulatedDrive::Execute(const uint8_t *cdb, size_t cdbLength, uint8_t *buffer, uint32_t length,
                                      bool toDevice)
{
    CommandOutcome outcome;
    if (cdbLength < 6) {
        outcome.sense = lastSense_ = kInvalidField;
        return outcome;
    }
    const uint8_t opcode = cdb[0];
    if (opcode == 0x03) { // REQUEST SENSE: the sense of the command before, then it is gone
        const auto bytes = FixedSense(lastSense_);
        outcome.transferred = std::min<uint32_t>({length, cdb[4], static_cast<uint32_t>(bytes.size())});
        if (buffer)
            std::memcpy(buffer, bytes.data(), outcome.transferred);
        lastSense_ = {};
        return outcome;
    }
    AdvanceClock();

    std::vector<uint8_t> out;
    Sense sense;
    for (const drives::SenseFault &fault : spec_.faults.sense)
        if (fault.opcode == opcode)
            sense = {fault.key, fault.asc, fault.ascq};
    if (sense.Ok() && NeedsMedium(opcode))
        sense = MediumSense();
    if (sense.Ok()) {
        switch (opcode) {
        case 0x00: // TEST UNIT READY
            break;
        case 0x12:
            sense = Inquiry(cdb, out);
            break;
        case 0x1B:
            sense = StartStopUnit(cdb);
            break;
        case 0x1E: // PREVENT ALLOW MEDIUM REMOVAL
            locked_ = (cdb[4] & 0x01) != 0;
            break;
        case 0x25:
            sense = ReadCapacity(out);
            break;
        case 0x28: // READ(10)
            sense = cdbLength < 10
                        ? kInvalidField
                        : Read(static_cast<int32_t>(Be32(cdb + 2)), Be16(cdb + 7), (cdb[1] & 0x08) != 0, out);
            break;
        case 0x42:
            sense = ReadSubChannel(cdb, out);
            break;
        case 0x43:
            sense = ReadToc(cdb, out);
            break;
        case 0x45: // PLAY AUDIO(10)
            sense = cdbLength < 10 ? kInvalidField
                                   : Play(static_cast<int32_t>(Be32(cdb + 2)),
                                          static_cast<int32_t>(Be32(cdb + 2)) + Be16(cdb + 7));
            break;
        case 0x46:
            sense = GetConfiguration(out);
            break;
        case 0x47: // PLAY AUDIO MSF
            sense = cdbLength < 10 ? kInvalidField : Play(MsfToLsn(cdb + 3), MsfToLsn(cdb + 6));
            break;
        case 0x4A:
            sense = EventStatus(cdb, out);
            break;
        case 0x4B:
            sense = cdbLength < 10 ? kInvalidField : PauseResume((cdb[8] & 0x01) != 0);
            break;
        case 0x4E: // STOP PLAY/SCAN
            if (audioStatus_ == kAudioPlaying || audioStatus_ == kAudioPaused)
                audioStatus_ = kAudioNoStatus;
            break;
        case 0x51:
            sense = DiscInformation(out);
            break;
        case 0x55:
            sense = toDevice && buffer ? ModeSelect(buffer, std::min<uint32_t>(length, Be16(cdb + 7)))
                                       : kInvalidField;
            outcome.transferred = sense.Ok() ? std::min<uint32_t>(length, Be16(cdb + 7)) : 0;
            break;
        case 0x5A:
            sense = ModeSense(cdb, out);
            break;
        case 0xB9: { // READ CD MSF: [start, end)
            const int32_t start = MsfToLsn(cdb + 3);
            sense = ReadCd(start, MsfToLsn(cdb + 6) - start, static_cast<uint8_t>(cdb[1] >> 2 & 0x07), cdb[9],
                           cdb[10], out);
            break;
        }
        case 0xA8: // READ(12)
            sense = cdbLength < 12 ? kInvalidField
                                   : Read(static_cast<int32_t>(Be32(cdb + 2)),
                                          static_cast<int32_t>(Be32(cdb + 6)), (cdb[1] & 0x08) != 0, out);
            break;
        case 0xBB: { // SET CD SPEED: a drive takes the nearest speed it has, never above its maximum
            const uint16_t asked = Be16(cdb + 2);
            readSpeed_ = static_cast<uint16_t>(asked == 0xFFFF ? MaxSpeedKBps()
                                                               : std::clamp<int>(asked, 176, MaxSpeedKBps()));
            break;
        }
        case 0xBE:
            sense = ReadCd(static_cast<int32_t>(Be32(cdb + 2)), cdb[6] << 16 | cdb[7] << 8 | cdb[8],
                           static_cast<uint8_t>(cdb[1] >> 2 & 0x07), cdb[9], cdb[10], out);
            break;
        default:
            sense = kInvalidOpcode;
            break;
        }
        if (opcode == 0x28 || opcode == 0xA8 || opcode == 0xB9 || opcode == 0xBE ||
            (opcode == 0x42 && pendingSectors_ > 0))
            ChargeRead();
    }
    lastSense_ = sense;
    outcome.sense = sense;
    if (sense.Ok() && !toDevice && buffer) {
        outcome.transferred = std::min<uint32_t>(length, static_cast<uint32_t>(out.size()));
        std::memcpy(buffer, out.data(), outcome.transferred);
    }
    return outcome;
}

Sense EmulatedDrive::Inquiry(const uint8_t *cdb, std::vector<uint8_t> &out) const
{
    if (cdb[1] & 0x01) // vital product data pages: none
        return kInvalidField;
    out.assign(96, 0);
    out[0] = 0x05; // CD/DVD device
    out[1] = 0x80; // removable medium
    out[2] = 0x05;
    out[3] = 0x32;
    out[4] = 91; // additional length
    PutText(out, 8, 8, "QUAVREL");
    PutText(out, 16, 16, "Emulated CD-ROM");
    PutText(out, 32, 4, "2.0");
    PutText(out, 36, 20, "kernel interface");
    return {};
}

Sense EmulatedDrive::StartStopUnit(const uint8_t *cdb)
{
    const bool loadEject = (cdb[4] & 0x02) != 0;
    const bool start = (cdb[4] & 0x01) != 0;
    if (!loadEject)
        return {}; // spinning up or down changes nothing here
    if (!start && locked_)
        return kRemovalPrevented;
    SetTray(!start);
    return {};
}

Sense EmulatedDrive::ReadCapacity(std::vector<uint8_t> &out) const
{
    out.assign(8, 0);
    Put32(out.data(), static_cast<uint32_t>(Disc()->LeadOut() - 1));
    Put32(out.data() + 4, kDataBytes);
    return {};
}

Sense EmulatedDrive::ReadToc(const uint8_t *cdb, std::vector<uint8_t> &out) const
{
    const EmulatedDisc &disc = *Disc();
    const bool msf = (cdb[1] & 0x02) != 0;
    uint8_t format = cdb[2] & 0x0F;
    if (format == 0)
        format = cdb[9] >> 6; // the older place of the format field
    const std::vector<DiscTrack> &tracks = disc.Tracks();
    const int first = tracks.front().number;
    const int last = tracks.back().number;
    out.assign(4, 0);
    switch (format) {
    case 0: { // TOC
        const int from = cdb[6];
        if (from > last && from != 0xAA)
            return kInvalidField;
        auto descriptor = [&](uint8_t control, int number, int32_t lsn) {
            const size_t at = out.size();
            out.resize(at + 8, 0);
            out[at + 1] = static_cast<uint8_t>(0x10 | control);
            out[at + 2] = static_cast<uint8_t>(number);
            PutAddress(out.data() + at + 4, lsn, msf);
        };
        for (const DiscTrack &track : tracks)
            if (track.number >= from)
                descriptor(track.control, track.number, track.start);
        descriptor(tracks.back().control, 0xAA, disc.LeadOut());
        out[2] = static_cast<uint8_t>(first);
        out[3] = static_cast<uint8_t>(last);
        break;
    }
    case 1: // session information: one session
        out.resize(12, 0);
        out[2] = out[3] = 1;
        out[5] = static_cast<uint8_t>(0x10 | tracks.front().control);
        out[6] = static_cast<uint8_t>(first);
        PutAddress(out.data() + 8, tracks.front().start, msf);
        break;
    case 2: { // full TOC, as the lead-in's Q entries
        auto entry = [&](uint8_t control, uint8_t point, std::array<uint8_t, 3> p) {
            const size_t at = out.size();
            out.resize(at + 11, 0);
            out[at] = 1;
            out[at + 1] = static_cast<uint8_t>(0x10 | control);
            out[at + 3] = point;
            std::copy(p.begin(), p.end(), out.begin() + static_cast<long>(at) + 8);
        };
        auto msfOf = [](int32_t lsn) {
            const int32_t f = lsn + 150;
            return std::array<uint8_t, 3>{static_cast<uint8_t>(f / 4500), static_cast<uint8_t>(f / 75 % 60),
                                          static_cast<uint8_t>(f % 75)};
        };
        entry(tracks.front().control, 0xA0, {static_cast<uint8_t>(first), 0x00, 0}); // disc type CD-DA/CD-ROM
        entry(tracks.back().control, 0xA1, {static_cast<uint8_t>(last), 0, 0});
        entry(tracks.back().control, 0xA2, msfOf(disc.LeadOut()));
        for (const DiscTrack &track : tracks)
            entry(track.control, static_cast<uint8_t>(track.number), msfOf(track.start));
        out[2] = out[3] = 1;
        break;
    }
    case 5: // CD-Text
        if (disc.CdTextPacks().empty())
            return kInvalidField;
        out.insert(out.end(), disc.CdTextPacks().begin(), disc.CdTextPacks().end());
        break;
    default:
        return kInvalidField;
    }
    Put16(out, 0, static_cast<uint32_t>(out.size() - 2));
    out.resize(std::min<size_t>(out.size(), Be16(cdb + 7)));
    return {};
}

Sense EmulatedDrive::ReadSubChannel(const uint8_t *cdb, std::vector<uint8_t> &out)
{
    const bool msf = (cdb[1] & 0x02) != 0;
    const bool subQ = (cdb[2] & 0x40) != 0;
    const uint8_t format = cdb[3];
    out.assign(4, 0);
    out[1] = audioStatus_;
    if (audioStatus_ == kAudioCompleted)
        audioStatus_ = kAudioNoStatus; // reported once
    if (subQ && (format == 2 || format == 3)) {
        // The drive looks for a catalogue or ISRC frame: a seek and some frames of the disc.
        const EmulatedDisc &disc = *Disc();
        out.resize(24, 0);
        out[4] = format;
        Put16(out, 2, 20);
        if (format == 2) {
            if (!disc.Catalog().empty()) {
                out[8] = 0x80;
                std::memcpy(out.data() + 9, disc.Catalog().data(), 13);
            }
        } else {
            const DiscTrack *track = nullptr;
            for (const DiscTrack &t : disc.Tracks())
                if (t.number == cdb[6])
                    track = &t;
            if (!track)
                return kInvalidField;
            out[5] = static_cast<uint8_t>(0x30 | track->control);
            out[6] = static_cast<uint8_t>(track->number);
            if (track->isrc.size() == 12) {
                out[8] = 0x80;
                std::memcpy(out.data() + 9, track->isrc.data(), 12);
            }
        }
        ++pendingSeeks_;
        pendingSectors_ += 100;
        nextLsn_ = -1;
    } else if (subQ) {
        if (format != 1)
            return kInvalidField;
        out.resize(16, 0);
        const EmulatedDisc &disc = *Disc();
        const DiscTrack *track = disc.TrackAt(playPosition_);
        out[4] = 0x01;
        out[5] = static_cast<uint8_t>(0x10 | (track ? track->control : 0));
        out[6] = static_cast<uint8_t>(track ? track->number : 0);
        out[7] = 1;
        PutAddress(out.data() + 8, playPosition_, msf);
        if (msf) {
            PutAddress(out.data() + 12, (track ? playPosition_ - track->start : 0) - 150, true);
        } else {
            Put32(out.data() + 12, static_cast<uint32_t>(track ? playPosition_ - track->start : 0));
        }
        Put16(out, 2, 12);
    }
    out.resize(std::min<size_t>(out.size(), Be16(cdb + 7)));
    return {};
}

Sense EmulatedDrive::Play(int32_t start, int32_t end)
{
    const EmulatedDisc &disc = *Disc();
    if (start < 0 || end > disc.LeadOut() || start > disc.LeadOut())
        return kOutOfRange;
    if (end < start)
        return kInvalidField;
    if (start == end)
        return {}; // plays nothing
    const DiscTrack *track = disc.TrackAt(start);
    if (!track || !track->audio)
        return kIllegalModeForTrack;
    audioStatus_ = kAudioPlaying;
    playPosition_ = clockFromLsn_ = start;
    playEnd_ = end;
    clockFrom_ = std::chrono::steady_clock::now();
    return {};
}

Sense EmulatedDrive::PauseResume(bool resume)
{
    if (resume) {
        if (audioStatus_ == kAudioPaused) {
            audioStatus_ = kAudioPlaying;
            clockFrom_ = std::chrono::steady_clock::now();
            clockFromLsn_ = playPosition_;
        }
        return audioStatus_ == kAudioPlaying ? Sense{} : kSequenceError;
    }
    if (audioStatus_ == kAudioPlaying)
        audioStatus_ = kAudioPaused;
    return audioStatus_ == kAudioPaused ? Sense{} : kSequenceError;
}

Sense EmulatedDrive::ReadCd(int32_t lsn, int32_t count, uint8_t expectedType, uint8_t flags,
                            uint8_t subChannel, std::vector<uint8_t> &out)
{
    const EmulatedDisc &disc = *Disc();
    if (count < 0)
        return kInvalidField;
    if (lsn < 0 || int64_t{lsn} + count > disc.LeadOut())
        return kOutOfRange;
    const uint8_t c2Mode = flags >> 1 & 0x03; // 1: 294 bytes of C2 pointers, 2: and the block error byte
    if (c2Mode == 3 || (subChannel & 0x07) == 3 || (subChannel & 0x07) > 4)
        return kInvalidField;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t sector = lsn + i;
        const DiscTrack *track = disc.QTrackAt(sector);
        const bool audio = track && track->audio;
        if ((expectedType == 1 && !audio) || (expectedType > 1 && audio))
            return kIllegalModeForTrack;
        AudioSector read;
        Sense sense;
        std::vector<uint8_t> &raw = read.data;
        if (audio) {
            sense = ReadAudioSector(sector, false, read);
        } else if (!spec_.faults.unreadable.count(sector)) {
            FromMedium(sector);
            raw.resize(kRawBytes);
            if (!disc.ReadRaw(sector, 1, raw.data()))
                sense = kReadError;
        } else {
            sense = kReadError;
        }
        if (!sense.Ok())
            return sense;
        if (audio) {
            if (flags & 0xF8) // any of sync, headers, user data, EDC: a CD-DA sector is all user data
                out.insert(out.end(), raw.begin(), raw.end());
        } else {
            // Sync, header, XA sub-header, user data, EDC/ECC: the parts the flags ask for.
            const long user = track ? track->userData : 16;
            if (flags & 0x80)
                out.insert(out.end(), raw.begin(), raw.begin() + 12);
            if (flags & 0x20)
                out.insert(out.end(), raw.begin() + 12, raw.begin() + 16);
            if (flags & 0x40)
                out.insert(out.end(), raw.begin() + 16, raw.begin() + user);
            if (flags & 0x10)
                out.insert(out.end(), raw.begin() + user, raw.begin() + user + kDataBytes);
            if (flags & 0x08)
                out.insert(out.end(), raw.begin() + user + kDataBytes, raw.end());
        }
        if (c2Mode != 0) {
            // One bit per byte of the sector, set where the drive flagged the byte; then, for the
            // block variant, the OR of the 294 bytes and a pad byte.
            out.insert(out.end(), read.c2.begin(), read.c2.end());
            if (c2Mode == 2) {
                uint8_t block = 0;
                for (const uint8_t byte : read.c2)
                    block |= byte;
                out.insert(out.end(), {block, 0});
            }
        }
        if (const uint8_t selection = subChannel & 0x07; selection != 0) {
            const std::array<uint8_t, 12> q = QChannel(sector);
            if (selection == 2) {
                out.insert(out.end(), q.begin(), q.begin() + 10);
                out.insert(out.end(), {0, 0, 0, 0, 0, 0});
            } else {
                // 96 bytes, one bit of each channel P..W per byte; only Q is written.
                const size_t at = out.size();
                out.resize(at + 96, 0);
                if (selection == 1)
                    for (size_t bit = 0; bit < 96; ++bit)
                        out[at + bit] = static_cast<uint8_t>((q[bit / 8] >> (7 - bit % 8) & 1) << 6);
            }
        }
    }
    return {};
}

// READ(10) and READ(12): data sectors' user data, or with a block length of 2352 (MODE SELECT)
// whole sectors, audio included. FUA reads the medium, not the cache, when the drive honours it.
Sense EmulatedDrive::Read(int32_t lsn, int32_t count, bool fua, std::vector<uint8_t> &out)
{
    const EmulatedDisc &disc = *Disc();
    if (lsn < 0 || count < 0 || int64_t{lsn} + count > disc.LeadOut())
        return kOutOfRange;
    const bool bypassCache = fua && spec_.honoursFua;
    out.resize(static_cast<size_t>(count) * blockLength_);
    for (int32_t i = 0; i < count; ++i) {
        uint8_t *block = out.data() + static_cast<size_t>(i) * blockLength_;
        const DiscTrack *track = disc.QTrackAt(lsn + i);
        if (track && track->audio) {
            if (blockLength_ != static_cast<uint32_t>(kRawBytes))
                return kIllegalModeForTrack;
            AudioSector sector;
            if (const Sense sense = ReadAudioSector(lsn + i, bypassCache, sector); !sense.Ok())
                return sense;
            std::memcpy(block, sector.data.data(), kRawBytes);
            continue;
        }
        int error = 0;
        FromMedium(lsn + i);
        if (blockLength_ == static_cast<uint32_t>(kRawBytes)) {
            if (spec_.faults.unreadable.count(lsn + i) || !disc.ReadRaw(lsn + i, 1, block))
                return kReadError;
        } else if (!DataSectors(lsn + i, 1, block, error)) {
            return kReadError;
        }
    }
    return {};
}

Sense EmulatedDrive::ModeSense(const uint8_t *cdb, std::vector<uint8_t> &out) const
{
    const uint8_t page = cdb[2] & 0x3F;
    out.assign(8, 0);
    auto add = [&](const uint8_t *bytes, size_t n) { out.insert(out.end(), bytes, bytes + n); };
    if (page == 0x01 || page == 0x3F)
        add(errorRecoveryPage_.data(), errorRecoveryPage_.size());
    if (page == 0x0E || page == 0x3F)
        add(audioControlPage_.data(), audioControlPage_.size());
    if (page == 0x2A || page == 0x3F) {
        std::array<uint8_t, 22> caps{0x2A, 0x14};
        caps[4] = 0x71; // audio play, composite, digital ports, mode 2 form 1
        caps[5] = 0x7B; // CD-DA read, accurate, sub-channel, C2 pointers, ISRC, UPC
        caps[6] = static_cast<uint8_t>(0x29 | (locked_ ? 0x02 : 0)); // tray, eject, lock (state)
        caps[7] = 0x03;                                              // separate volume and mute
        caps[2] = 0x03;                                              // reads CD-R and CD-RW
        const int maxSpeed = MaxSpeedKBps();
        const int current = std::min<int>(readSpeed_, maxSpeed);
        caps[8] = static_cast<uint8_t>(maxSpeed >> 8); // maximum read speed, kB/s
        caps[9] = static_cast<uint8_t>(maxSpeed);
        caps[10] = 0x01;                               // 256 volume levels
        caps[12] = 0x08;                               // 2 MB buffer
        caps[14] = static_cast<uint8_t>(current >> 8); // current read speed, kB/s
        caps[15] = static_cast<uint8_t>(current);
        add(caps.data(), caps.size());
    }
    if (out.size() == 8)
        return kInvalidField;
    Put16(out, 0, static_cast<uint32_t>(out.size() - 2));
    out.resize(std::min<size_t>(out.size(), Be16(cdb + 7)));
    return {};
}

Sense EmulatedDrive::ModeSelect(const uint8_t *data, uint32_t length)
{
    if (length < 8)
        return length == 0 ? Sense{} : kParameterListInvalid;
    const size_t descriptors = Be16(data + 6);
    if (descriptors != 0) {
        // One block descriptor: its block length is READ(10)'s from now on.
        if (descriptors != 8 || length < 16)
            return kParameterListInvalid;
        const uint32_t block = uint32_t{data[13]} << 16 | uint32_t{data[14]} << 8 | data[15];
        if (block != static_cast<uint32_t>(kDataBytes) && block != static_cast<uint32_t>(kRawBytes))
            return kInvalidField;
        blockLength_ = block;
    }
    size_t at = 8 + descriptors; // after the header and its block descriptor
    while (at + 2 <= length) {
        const uint8_t page = data[at] & 0x3F;
        const size_t size = size_t{data[at + 1]} + 2;
        if (at + size > length)
            return kParameterListInvalid;
        if (page == 0x01 && size == errorRecoveryPage_.size())
            std::copy(data + at, data + at + size, errorRecoveryPage_.begin());
        else if (page == 0x0E && size == audioControlPage_.size())
            std::copy(data + at, data + at + size, audioControlPage_.begin());
        else
            return kParameterListInvalid; // page 0x2A and others cannot be changed
        at += size;
    }
    return {};
}

Sense EmulatedDrive::GetConfiguration(std::vector<uint8_t> &out) const
{
    // The header with the current profile, then feature 0, the profile list: CD-ROM alone.
    const bool medium = MediumPresent();
    out.assign(16, 0);
    out[3] = 12; // bytes after the length field
    out[7] = medium ? 0x08 : 0x00;
    out[10] = 0x03; // persistent, current
    out[11] = 4;
    out[13] = 0x08;
    out[14] = medium ? 0x01 : 0x00;
    return {};
}

Sense EmulatedDrive::EventStatus(const uint8_t *cdb, std::vector<uint8_t> &out)
{
    if (!(cdb[1] & 0x01)) // only polled operation
        return kInvalidField;
    out.assign(4, 0);
    out[3] = 0x10; // supported classes: media
    if (cdb[4] & 0x10) {
        out.resize(8, 0);
        out[2] = 0x04; // media class
        out[4] = std::exchange(pendingMediaEvent_, 0);
        out[5] = static_cast<uint8_t>((trayOpen_ ? 0x01 : 0) | (MediumPresent() ? 0x02 : 0));
    } else {
        out[2] = 0x80; // no event available
    }
    Put16(out, 0, static_cast<uint32_t>(out.size() - 2));
    out.resize(std::min<size_t>(out.size(), Be16(cdb + 7)));
    return {};
}

Sense EmulatedDrive::DiscInformation(std::vector<uint8_t> &out) const
{
    const EmulatedDisc &disc = *Disc();
    out.assign(34, 0);
    Put16(out, 0, 32);
    out[2] = 0x0E; // complete disc, last session complete
    out[3] = static_cast<uint8_t>(disc.Tracks().front().number);
    out[4] = 1;
    out[5] = out[3];
    out[6] = static_cast<uint8_t>(disc.Tracks().back().number);
    out[7] = 0x20;                         // unrestricted use; disc type 0 (CD-DA or CD-ROM)
    std::memset(out.data() + 16, 0xFF, 8); // no lead-in or lead-out start for a pressed disc
    return {};
}

} // namespace emulated
