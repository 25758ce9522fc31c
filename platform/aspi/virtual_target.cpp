#include "virtual_target.h"

#include "aspi_srb.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace aspi {

namespace {

using drives::DiscToc;
using drives::DriveError;

constexpr uint8_t kTestUnitReady = 0x00;
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kReadSubChannel = 0x42;
constexpr uint8_t kReadToc = 0x43;
constexpr uint8_t kPlayAudioMsf = 0x47;
constexpr uint8_t kPauseResume = 0x4B;
constexpr uint8_t kStopPlayScan = 0x4E;

uint16_t Be16(const uint8_t *bytes)
{
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

CommandResult Outcome(DriveError error)
{
    return error == DriveError::None ? CommandResult{} : CommandResult::Fail(SenseFor(error));
}

CommandResult Truncated(std::vector<uint8_t> data, size_t allocation)
{
    if (data.size() > allocation)
        data.resize(allocation);
    CommandResult result;
    result.data = std::move(data);
    return result;
}

void PutText(std::vector<uint8_t> &data, size_t offset, size_t length, const std::string &text)
{
    for (size_t i = 0; i < length; ++i)
        data[offset + i] = static_cast<uint8_t>(i < text.size() ? text[i] : ' ');
}

// Four address bytes: 0, M, S, F (absolute, lead-in included) or a big-endian LBA.
void PutAddress(std::vector<uint8_t> &data, size_t offset, int32_t lba, bool msf, bool relative = false)
{
    if (msf) {
        const int32_t frames = std::max(0, lba + (relative ? 0 : drives::kLeadInFrames));
        data[offset] = 0;
        data[offset + 1] = static_cast<uint8_t>(frames / (60 * drives::kFramesPerSecond));
        data[offset + 2] = static_cast<uint8_t>(frames / drives::kFramesPerSecond % 60);
        data[offset + 3] = static_cast<uint8_t>(frames % drives::kFramesPerSecond);
    } else {
        const uint32_t value = static_cast<uint32_t>(lba);
        data[offset] = static_cast<uint8_t>(value >> 24);
        data[offset + 1] = static_cast<uint8_t>(value >> 16);
        data[offset + 2] = static_cast<uint8_t>(value >> 8);
        data[offset + 3] = static_cast<uint8_t>(value);
    }
}

int32_t MsfToLba(const uint8_t *msf)
{
    return msf[0] * 60 * drives::kFramesPerSecond + msf[1] * drives::kFramesPerSecond + msf[2] -
           drives::kLeadInFrames;
}

uint8_t Control(bool audio)
{
    return audio ? 0x10 : 0x14; // ADR 1 (position), data-track bit for data
}

CommandResult Inquiry(size_t index, const uint8_t *cdb)
{
    if (cdb[1] & 0x01) // vital product data pages are not kept
        return CommandResult::Fail(kInvalidFieldInCdb);
    const std::optional<drives::DriveInfo> info = drives::Drive(index);
    if (!info)
        return CommandResult::Fail(kLunNotSupported);
    std::vector<uint8_t> data(96, 0);
    data[0] = DTYPE_CDROM;
    data[1] = 0x80; // removable medium
    data[2] = 0x05;
    data[3] = 0x02;
    data[4] = static_cast<uint8_t>(data.size() - 5);
    PutText(data, 8, 8, info->vendor);
    PutText(data, 16, 16, info->product);
    PutText(data, 32, 4, info->revision);
    PutText(data, 36, 20, std::filesystem::path(info->path).filename().string());
    return Truncated(std::move(data), Be16(cdb + 3));
}

CommandResult ReadToc(size_t index, const uint8_t *cdb)
{
    const bool msf = cdb[1] & 0x02;
    const int format = (cdb[2] & 0x0F) | (cdb[9] >> 6);
    if (format != 0)
        return CommandResult::Fail(kInvalidFieldInCdb);
    DiscToc toc;
    if (DriveError error = drives::ReadToc(index, toc); error != DriveError::None)
        return Outcome(error);
    const int startTrack = cdb[6];
    if (startTrack > toc.lastTrack && startTrack != 0xAA)
        return CommandResult::Fail(kInvalidFieldInCdb);

    std::vector<uint8_t> data(4, 0);
    auto addDescriptor = [&](uint8_t number, bool audio, int32_t lba) {
        const size_t at = data.size();
        data.resize(at + 8, 0);
        data[at + 1] = Control(audio);
        data[at + 2] = number;
        PutAddress(data, at + 4, lba, msf);
    };
    for (const drives::TocTrack &track : toc.tracks)
        if (track.number >= startTrack && startTrack != 0xAA)
            addDescriptor(static_cast<uint8_t>(track.number), track.audio, track.startLba);
    // The lead-out's control field repeats the last track's, as drives report it.
    addDescriptor(0xAA, toc.tracks.empty() || toc.tracks.back().audio, toc.leadOutLba);
    const uint16_t length = static_cast<uint16_t>(data.size() - 2);
    data[0] = static_cast<uint8_t>(length >> 8);
    data[1] = static_cast<uint8_t>(length);
    data[2] = static_cast<uint8_t>(toc.firstTrack);
    data[3] = static_cast<uint8_t>(toc.lastTrack);
    return Truncated(std::move(data), Be16(cdb + 7));
}

CommandResult ReadSubChannel(size_t index, const uint8_t *cdb)
{
    const bool msf = cdb[1] & 0x02;
    const bool subQ = cdb[2] & 0x40;
    const int format = cdb[3];
    if (subQ && format != 0x01)
        return CommandResult::Fail(kInvalidFieldInCdb);
    drives::PlayStatus play;
    if (DriveError error = drives::Position(index, play); error != DriveError::None)
        return Outcome(error);
    DiscToc toc;
    if (DriveError error = drives::ReadToc(index, toc); error != DriveError::None)
        return Outcome(error);

    std::vector<uint8_t> data(4, 0);
    switch (play.state) {
    case drives::PlayState::Playing:
        data[1] = 0x11;
        break;
    case drives::PlayState::Paused:
        data[1] = 0x12;
        break;
    case drives::PlayState::Completed:
        data[1] = 0x13;
        break;
    case drives::PlayState::Stopped:
        data[1] = 0x15;
        break;
    }
    if (subQ) {
        data.resize(16, 0);
        data[3] = 12;
        data[4] = 0x01;
        // At the end of a range the position is the first sector after it: report the track it ended in.
        const int32_t lba = std::clamp(play.lba, 0, std::max(0, toc.leadOutLba - 1));
        const drives::TocTrack *track = toc.TrackAt(lba);
        const int32_t trackStart = track ? track->startLba : 0;
        data[5] = Control(!track || track->audio);
        data[6] = static_cast<uint8_t>(track ? track->number : 0);
        data[7] = 1;
        PutAddress(data, 8, play.lba, msf);
        PutAddress(data, 12, play.lba - trackStart, msf, true);
    }
    return Truncated(std::move(data), Be16(cdb + 7));
}

CommandResult TestUnitReady(size_t index)
{
    drives::TrayStatus tray;
    if (DriveError error = drives::GetTrayStatus(index, tray); error != DriveError::None)
        return Outcome(error);
    if (tray.open)
        return Outcome(DriveError::TrayOpen);
    return tray.mediumPresent ? CommandResult{} : Outcome(DriveError::NoMedium);
}

} // namespace

CommandResult ExecuteVirtual(size_t index, const uint8_t *cdb, size_t cdbLength)
{
    if (cdbLength < 6)
        return CommandResult::Fail(kInvalidFieldInCdb);
    const uint8_t opcode = cdb[0];
    if (const std::optional<drives::SenseFault> scripted = drives::ScriptedSense(index, opcode))
        return CommandResult::Fail({scripted->key, scripted->asc, scripted->ascq});
    const bool tenBytes = cdbLength >= 10;

    switch (opcode) {
    case kTestUnitReady:
        return TestUnitReady(index);
    case kInquiry:
        return Inquiry(index, cdb);
    default:
        break;
    }
    if (!tenBytes)
        return CommandResult::Fail(kInvalidOpcode);
    switch (opcode) {
    case kReadToc:
        return ReadToc(index, cdb);
    case kReadSubChannel:
        return ReadSubChannel(index, cdb);
    case kPlayAudioMsf:
        return Outcome(drives::Play(index, MsfToLba(cdb + 3), MsfToLba(cdb + 6)));
    case kStopPlayScan:
        return Outcome(drives::Stop(index));
    case kPauseResume:
        return Outcome((cdb[8] & 0x01) ? drives::Resume(index) : drives::Pause(index));
    default:
        return CommandResult::Fail(kInvalidOpcode);
    }
}

} // namespace aspi
