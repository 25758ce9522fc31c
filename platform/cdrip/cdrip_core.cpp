#include "cdrip_core.h"

#include "drive_params.h"
#include "settings_file.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>

namespace cdrip {
namespace {

constexpr const char *kMainSection = "CDRipper";
constexpr const char *kActiveDriveKey = "ActiveDrive";

std::string DriveSection(const drives::DriveInfo &info)
{
    return IniFile::SectionName("Drive ", info.description);
}

std::optional<int64_t> ParseInteger(const std::string &text)
{
    int64_t value = 0;
    const char *end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || ptr != end)
        return std::nullopt;
    return value;
}

const SenseData kNoMedium{0x02, 0x3A, 0x00};
const SenseData kIllegalRequest{0x05, 0x24, 0x00};

} // namespace

Core &TheCore()
{
    static Core core;
    return core;
}

int32_t Core::Init(const char *settingsName)
{
    CloseRipper();
    SilenceCdioLog();
    settingsPath_ = SettingsPath(settingsName ? settingsName : "");
    drives_.clear();
    toc_.clear();
    contents_.reset();
    active_ = 0;
    const std::vector<drives::DriveInfo> catalogue = drives::Drives();
    for (size_t index = 0; index < catalogue.size(); ++index) {
        const drives::DriveInfo &info = catalogue[index];
        const bool isVirtual = info.kind == drives::DriveKind::Virtual;
        drives_.push_back({info,
                           DefaultParams(info.description, false),
                           isVirtual ? MakeVirtualDriveControl(index) : MakeRealDriveControl(info.path),
                           {}});
    }
    LoadSettings();
    return CDRIP_OK;
}

int32_t Core::LoadSettings()
{
    const std::optional<IniFile> file = IniFile::Read(settingsPath_);
    if (!file)
        return CDRIP_ERROR; // the drives keep the parameters they have
    for (Drive &drive : drives_) {
        const std::string section = DriveSection(drive.info);
        drive.heldBack.clear();
        for (const ParamField &field : ParamFields()) {
            const auto text = file->Value(section, field.name);
            if (!text)
                continue;
            // Each value stands alone: one the drive cannot use leaves that field as it was.
            const auto value = ParseInteger(*text);
            TCDRomParams trial = drive.params;
            if (value && FitsField(field, *value))
                WriteField(trial, field, *value);
            if (value && FitsField(field, *value) && IsValid(trial))
                drive.params = trial;
            else
                drive.heldBack.emplace(field.name, ReadField(drive.params, field));
        }
    }
    if (auto activeName = file->Value(kMainSection, kActiveDriveKey)) {
        for (size_t index = 0; index < drives_.size(); ++index)
            if (IniFile::SectionName("", drives_[index].info.description) == *activeName)
                active_ = static_cast<int32_t>(index);
    }
    return CDRIP_OK;
}

int32_t Core::SaveSettings()
{
    // A file that cannot be read is never replaced: its other sections would be lost.
    std::optional<IniFile> file = IniFile::Read(settingsPath_);
    if (!file)
        return CDRIP_ERROR;
    if (Drive *active = Active())
        file->SetValue(kMainSection, kActiveDriveKey, IniFile::SectionName("", active->info.description));
    for (const Drive &drive : drives_) {
        const std::string section = DriveSection(drive.info);
        for (const ParamField &field : ParamFields()) {
            const int64_t value = ReadField(drive.params, field);
            // The file's text for a value the drive could not use stays until the field is set.
            if (const auto held = drive.heldBack.find(field.name);
                held != drive.heldBack.end() && held->second == value)
                continue;
            file->SetValue(section, field.name, std::to_string(value));
        }
    }
    return file->Write(settingsPath_) ? CDRIP_OK : CDRIP_ERROR;
}

Core::Drive *Core::Active()
{
    return active_ >= 0 && active_ < DriveCount() ? &drives_[static_cast<size_t>(active_)] : nullptr;
}

int32_t Core::Result(Drive &drive, bool ok)
{
    sense_ = drive.control->LastSense();
    return ok ? CDRIP_OK : CDRIP_ERROR;
}

int32_t Core::SetActiveDrive(int32_t index)
{
    if (index < 0 || index >= DriveCount())
        return CDRIP_ERROR;
    if (index != active_) {
        toc_.clear();
        contents_.reset();
    }
    active_ = index;
    return CDRIP_OK;
}

const char *Core::Description(int32_t index) const
{
    if (index < 0 || index >= DriveCount())
        return "";
    return drives_[static_cast<size_t>(index)].info.description.c_str();
}

int32_t Core::GetParams(TCDRomParams *params, size_t size) const
{
    if (!params || active_ < 0 || active_ >= DriveCount())
        return CDRIP_ERROR;
    std::memcpy(params, &drives_[static_cast<size_t>(active_)].params, std::min(size, sizeof(TCDRomParams)));
    return CDRIP_OK;
}

int32_t Core::SetParams(const TCDRomParams *params, size_t size)
{
    Drive *drive = Active();
    if (!params || !drive)
        return CDRIP_ERROR;
    TCDRomParams candidate = drive->params;
    Assign(candidate, *params, size);
    if (!IsValid(candidate))
        return CDRIP_ERROR;
    drive->params = candidate;
    return CDRIP_OK;
}

int32_t Core::SelectDriveType(int32_t type)
{
    Drive *drive = Active();
    if (!drive || type < 0)
        return CDRIP_ERROR;
    drive->params.DriveTable[kDriveTableType] = type & 0x7F;
    return CDRIP_OK;
}

int32_t Core::DriveType() const
{
    return active_ >= 0 && active_ < DriveCount() ? drives_[static_cast<size_t>(active_)].params.DriveTable[0]
                                                  : 0;
}

int32_t Core::ReadToc()
{
    toc_.clear();
    contents_.reset();
    drives::DiscToc toc;
    if (!Active() || drives::ReadToc(static_cast<size_t>(active_), toc) != drives::DriveError::None ||
        toc.tracks.empty()) {
        sense_ = kNoMedium;
        return CDRIP_ERROR;
    }
    for (const drives::TocTrack &track : toc.tracks)
        toc_.push_back(
            {track.startLba,
             static_cast<uint8_t>(track.audio ? kCdRipTocAudio : kCdRipTocAudio | kCdRipTocDataBit),
             static_cast<uint8_t>(track.number)});
    toc_.push_back({toc.leadOutLba, toc_.back().Flag, kCdRipLeadOutTrack});
    return CDRIP_OK;
}

int32_t Core::TocTrackCount() const
{
    return toc_.empty() ? 0 : static_cast<int32_t>(toc_.size()) - 1;
}

int32_t Core::TocEntry(int32_t index, TCdRipTocEntry *entry) const
{
    if (!entry || index < 0 || index >= static_cast<int32_t>(toc_.size()))
        return CDRIP_ERROR;
    *entry = toc_[static_cast<size_t>(index)];
    return CDRIP_OK;
}

int32_t Core::ReadContents()
{
    contents_.reset();
    drives::DiscContents contents;
    if (!Active() ||
        drives::ReadContents(static_cast<size_t>(active_), contents) != drives::DriveError::None) {
        sense_ = kNoMedium;
        return CDRIP_ERROR;
    }
    contents_ = std::move(contents);
    return CDRIP_OK;
}

int32_t Core::TrackContents(int32_t index, TCdRipTrackContents *contents) const
{
    if (!contents || !contents_ || index < 0 || index >= static_cast<int32_t>(contents_->tracks.size()))
        return CDRIP_ERROR;
    const drives::TrackContents &track = contents_->tracks[static_cast<size_t>(index)];
    *contents = TCdRipTrackContents{};
    contents->PregapSector = track.pregap;
    contents->TrackNumber = static_cast<uint8_t>(track.number);
    contents->Control = track.control;
    std::memcpy(contents->Isrc, track.isrc.data(), std::min<size_t>(track.isrc.size(), 12));
    return CDRIP_OK;
}

int32_t Core::CatalogNumber(char *catalog) const
{
    if (!catalog || !contents_)
        return CDRIP_ERROR;
    std::memset(catalog, 0, 14);
    std::memcpy(catalog, contents_->catalog.data(), std::min<size_t>(contents_->catalog.size(), 13));
    return CDRIP_OK;
}

int32_t Core::CdText(char *buffer, int32_t size)
{
    if (!contents_ && ReadContents() != CDRIP_OK)
        return CDRIP_ERROR;
    const std::vector<uint8_t> &packs = contents_->cdText;
    const size_t bytes = packs.size() + 4;
    if (!buffer || size < 0 || packs.empty() || bytes > static_cast<size_t>(size) ||
        packs.size() + 2 > 0xFFFF)
        return CDRIP_ERROR;
    buffer[0] = static_cast<char>((packs.size() + 2) >> 8);
    buffer[1] = static_cast<char>((packs.size() + 2) & 0xFF);
    buffer[2] = buffer[3] = 0;
    std::memcpy(buffer + 4, packs.data(), packs.size());
    return CDRIP_OK;
}

int32_t Core::OpenRipper(int32_t *bufferBytes, int32_t firstSector, int32_t lastSector)
{
    CloseRipper();
    Drive *drive = Active();
    if (!bufferBytes || !drive)
        return CDRIP_ERROR;
    const auto index = static_cast<size_t>(active_);
    session_ = RipSession::Open(index, drive->info, drive->params, firstSector, lastSector);
    if (!session_) {
        sense_ = drive->control->MediumLoaded() ? kIllegalRequest : kNoMedium;
        return CDRIP_ERROR;
    }
    sessionDrive_ = index;
    stats_ = RipStats{};
    stats_.next = firstSector;
    if (drive->params.LockDuringRip)
        lockedForRip_ = drive->control->Lock(true);
    *bufferBytes = session_->ChunkBytes();
    return CDRIP_OK;
}

int32_t Core::CloseRipper()
{
    if (!session_)
        return CDRIP_ERROR;
    TakeStats();
    session_.reset();
    if (lockedForRip_ && sessionDrive_ < drives_.size())
        drives_[sessionDrive_].control->Lock(false);
    lockedForRip_ = false;
    return CDRIP_OK;
}

int32_t Core::RipChunk(uint8_t *buffer, int32_t *bytes, const int32_t *abort)
{
    if (!bytes)
        return CDRIP_ERROR;
    *bytes = 0;
    if (!session_)
        return CDRIP_ERROR;
    const int32_t result = session_->RipChunk(buffer, *bytes, abort ? abort : abortFlag_);
    TakeStats();
    return result;
}

void Core::TakeStats()
{
    if (!session_)
        return;
    stats_.percent = session_->PercentCompleted();
    stats_.jitterErrors = session_->JitterErrors();
    session_->LastJitterError(stats_.lastFirst, stats_.lastLast);
    stats_.peak = session_->Peak();
    stats_.next = session_->NextSector();
    stats_.damage = session_->Damage();
}

int32_t Core::PercentCompleted() const
{
    return stats_.percent;
}

int32_t Core::JitterErrors() const
{
    return stats_.jitterErrors;
}

void Core::LastJitterError(int32_t *firstSector, int32_t *lastSector) const
{
    if (firstSector)
        *firstSector = stats_.lastFirst;
    if (lastSector)
        *lastSector = stats_.lastLast;
}

int32_t Core::Peak() const
{
    return stats_.peak;
}

int32_t Core::NextSector() const
{
    return stats_.next;
}

int32_t Core::Damage(TCdRipDamageRun *runs, int32_t capacity, int32_t *count) const
{
    if (!count || capacity < 0 || (capacity > 0 && !runs))
        return CDRIP_ERROR;
    *count = static_cast<int32_t>(stats_.damage.size());
    std::copy_n(stats_.damage.begin(), std::min<size_t>(stats_.damage.size(), static_cast<size_t>(capacity)),
                runs);
    return CDRIP_OK;
}

int32_t Core::RefreshAudio(int32_t firstSector, int32_t sectorCount)
{
    Drive *drive = Active();
    return drive ? Result(*drive, drive->control->RefreshAudio(firstSector, sectorCount)) : CDRIP_ERROR;
}

bool Core::IsMmc()
{
    Drive *drive = Active();
    return drive && drive->control->IsMmc();
}

bool Core::MediumLoaded()
{
    Drive *drive = Active();
    return drive && drive->control->MediumLoaded();
}

int32_t Core::Eject(bool open)
{
    Drive *drive = Active();
    return drive ? Result(*drive, drive->control->Eject(open)) : CDRIP_ERROR;
}

int32_t Core::Lock(bool lock)
{
    Drive *drive = Active();
    return drive ? Result(*drive, drive->control->Lock(lock)) : CDRIP_ERROR;
}

int32_t Core::PlayTrack(int32_t track)
{
    Drive *drive = Active();
    drives::DiscToc toc;
    if (!drive || drives::ReadToc(static_cast<size_t>(active_), toc) != drives::DriveError::None) {
        sense_ = kNoMedium;
        return CDRIP_ERROR;
    }
    for (const drives::TocTrack &entry : toc.tracks) {
        if (entry.number != track)
            continue;
        if (!entry.audio) {
            sense_ = {0x05, 0x64, 0x00};
            return CDRIP_ERROR;
        }
        return Result(*drive, drive->control->Play(entry.startLba, toc.TrackEnd(entry)));
    }
    sense_ = kIllegalRequest;
    return CDRIP_ERROR;
}

int32_t Core::PlaySection(int32_t firstSector, int32_t lastSector)
{
    Drive *drive = Active();
    if (!drive || lastSector < firstSector) {
        sense_ = kIllegalRequest;
        return CDRIP_ERROR;
    }
    return Result(*drive, drive->control->Play(firstSector, lastSector + 1));
}

int32_t Core::SetPlayPosition(int32_t sector)
{
    Drive *drive = Active();
    drives::DiscToc toc;
    if (!drive || drives::ReadToc(static_cast<size_t>(active_), toc) != drives::DriveError::None) {
        sense_ = kNoMedium;
        return CDRIP_ERROR;
    }
    int32_t end = drive->control->PlayEnd();
    if (end <= sector)
        end = toc.leadOutLba;
    return Result(*drive, drive->control->Play(sector, end));
}

int32_t Core::Stop()
{
    Drive *drive = Active();
    return drive ? Result(*drive, drive->control->Stop()) : CDRIP_ERROR;
}

int32_t Core::Pause(bool pause)
{
    Drive *drive = Active();
    return drive ? Result(*drive, drive->control->Pause(pause)) : CDRIP_ERROR;
}

PlayReport Core::PlayStatus()
{
    Drive *drive = Active();
    return drive ? drive->control->Status() : PlayReport{CDRIP_AUDIO_NO_STATUS, 0};
}

int32_t Core::TrackAt(int32_t sector)
{
    drives::DiscToc toc;
    if (!Active() || drives::ReadToc(static_cast<size_t>(active_), toc) != drives::DriveError::None)
        return 0;
    const drives::TocTrack *track = toc.TrackAt(sector);
    return track ? track->number : 0;
}

} // namespace cdrip
