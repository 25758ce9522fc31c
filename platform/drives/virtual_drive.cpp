#include "virtual_drive.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace drives {

VirtualDrive::VirtualDrive(std::string imagePath)
    : imagePath_(std::move(imagePath)), image_(DiscImage::Open(imagePath_, problem_))
{
}

TrayStatus VirtualDrive::Tray() const
{
    return {trayOpen_, !trayOpen_ && image_ != nullptr, locked_};
}

DriveError VirtualDrive::MediumError() const
{
    if (trayOpen_)
        return DriveError::TrayOpen;
    return image_ ? DriveError::None : DriveError::NoMedium;
}

DriveError VirtualDrive::OpenTray(bool &changed)
{
    changed = false;
    if (locked_)
        return DriveError::Locked;
    if (trayOpen_)
        return DriveError::None;
    changed = image_ != nullptr;
    trayOpen_ = true;
    play_ = PlayStatus{};
    image_.reset();
    problem_.clear();
    return DriveError::None;
}

DriveError VirtualDrive::CloseTray(bool &changed)
{
    changed = false;
    if (!trayOpen_)
        return DriveError::None;
    trayOpen_ = false;
    // Reopened so that an image rewritten while the tray was open is read afresh.
    image_ = DiscImage::Open(imagePath_, problem_);
    armedJitter_ = faults_.jitter;
    changed = image_ != nullptr;
    return DriveError::None;
}

DriveError VirtualDrive::SetLocked(bool locked)
{
    locked_ = locked;
    return DriveError::None;
}

DriveError VirtualDrive::ReadToc(DiscToc &toc) const
{
    toc = DiscToc{};
    if (DriveError error = MediumError(); error != DriveError::None)
        return error;
    toc = image_->Toc();
    return DriveError::None;
}

DriveError VirtualDrive::ReadContents(DiscContents &contents) const
{
    contents = DiscContents{};
    if (DriveError error = MediumError(); error != DriveError::None)
        return error;
    for (const ImageTrack &track : image_->Tracks())
        contents.tracks.push_back({track.number, track.pregap, track.Control(), track.isrc});
    contents.catalog = image_->Catalog();
    contents.cdText = image_->CdTextPacks();
    return DriveError::None;
}

void VirtualDrive::Advance(TimePoint now)
{
    if (play_.state != PlayState::Playing)
        return;
    // Always measured from the last start, so that frequent polling neither slows nor speeds it.
    const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - playedFrom_).count();
    const int64_t lba = int64_t{playedFromLba_} + std::max<int64_t>(0, elapsedMs) * kFramesPerSecond / 1000;
    if (lba >= play_.endLba) {
        play_.lba = play_.endLba;
        play_.state = PlayState::Completed;
        return;
    }
    play_.lba = static_cast<int32_t>(lba);
}

DriveError VirtualDrive::Play(int32_t startLba, int32_t endLba, TimePoint now)
{
    DiscToc toc;
    if (DriveError error = ReadToc(toc); error != DriveError::None)
        return error;
    if (startLba < 0 || endLba < 0 || startLba > toc.leadOutLba || endLba > toc.leadOutLba)
        return DriveError::OutOfRange;
    if (startLba > endLba)
        return DriveError::InvalidRange;
    if (startLba == endLba) {
        // Accepted, nothing to play.
        play_ = PlayStatus{PlayState::Stopped, startLba, startLba, endLba};
        return DriveError::None;
    }
    const TocTrack *track = toc.TrackAt(startLba);
    if (!track || !track->audio)
        return DriveError::DataTrack;
    play_ = PlayStatus{PlayState::Playing, startLba, startLba, endLba};
    playedFrom_ = now;
    playedFromLba_ = startLba;
    return DriveError::None;
}

DriveError VirtualDrive::Pause(TimePoint now)
{
    if (DriveError error = MediumError(); error != DriveError::None)
        return error;
    Advance(now);
    if (play_.state == PlayState::Playing)
        play_.state = PlayState::Paused;
    return play_.state == PlayState::Paused ? DriveError::None : DriveError::NotPlaying;
}

DriveError VirtualDrive::Resume(TimePoint now)
{
    if (DriveError error = MediumError(); error != DriveError::None)
        return error;
    Advance(now);
    if (play_.state == PlayState::Paused) {
        play_.state = PlayState::Playing;
        playedFrom_ = now;
        playedFromLba_ = play_.lba;
    }
    return play_.state == PlayState::Playing ? DriveError::None : DriveError::NotPlaying;
}

DriveError VirtualDrive::Stop(TimePoint now)
{
    if (DriveError error = MediumError(); error != DriveError::None)
        return error;
    Advance(now);
    play_.state = PlayState::Stopped;
    return DriveError::None;
}

DriveError VirtualDrive::Position(PlayStatus &status, TimePoint now)
{
    if (DriveError error = MediumError(); error != DriveError::None) {
        status = PlayStatus{};
        return error;
    }
    Advance(now);
    status = play_;
    return DriveError::None;
}

DriveError VirtualDrive::ReadAudio(int32_t lsn, int32_t sectorCount, void *buffer, int &slowMs)
{
    slowMs = faults_.slowMs;
    if (DriveError error = MediumError(); error != DriveError::None)
        return error;
    if (sectorCount < 0 || lsn < 0 || int64_t{lsn} + sectorCount > image_->LeadOut())
        return DriveError::OutOfRange;
    const int32_t end = lsn + sectorCount;
    if (auto bad = faults_.unreadable.lower_bound(lsn); bad != faults_.unreadable.end() && *bad < end)
        return DriveError::ReadError;
    if (!image_->ReadSectors(lsn, sectorCount, buffer))
        return DriveError::ReadError;

    auto *bytes = static_cast<unsigned char *>(buffer);
    for (auto it = armedJitter_.lower_bound(lsn); it != armedJitter_.end() && *it < end;) {
        // The sector's samples arrive a few bytes late: its start repeats the byte before it and
        // its last bytes are lost.
        unsigned char *sector = bytes + int64_t{*it - lsn} * kSectorBytes;
        std::memmove(sector + kJitterShiftBytes, sector, kSectorBytes - kJitterShiftBytes);
        std::memset(sector, sector[kJitterShiftBytes], kJitterShiftBytes);
        it = armedJitter_.erase(it);
    }
    return DriveError::None;
}

void VirtualDrive::SetFaults(const Faults &faults)
{
    faults_ = faults;
    armedJitter_ = faults.jitter;
}

std::optional<SenseFault> VirtualDrive::ScriptedSense(uint8_t opcode) const
{
    for (const SenseFault &sense : faults_.sense)
        if (sense.opcode == opcode)
            return sense;
    return std::nullopt;
}

} // namespace drives
