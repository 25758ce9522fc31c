// The process-wide catalogue: one lock, built on first use, rebuilt on request.

#include "drive_catalogue.h"

#include "catalogue_sources.h"
#include "cdio_image.h"
#include "drive_contents.h"
#include "virtual_drive.h"

#include <cstdlib>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace drives {

namespace {

struct Entry {
    DriveInfo info;
    std::unique_ptr<VirtualDrive> drive; // null for real drives
};

struct Catalogue {
    std::recursive_mutex lock;
    bool built = false;
    std::vector<Entry> entries;
    ClockSource clock;
    std::map<int, MediumListener> listeners;
    int nextListenerId = 1;
};

Catalogue &TheCatalogue()
{
    static Catalogue catalogue;
    return catalogue;
}

// Caller holds the lock.
void Build(Catalogue &catalogue)
{
    platform::SilenceCdioLog();
    catalogue.entries.clear();
    std::vector<DriveInfo> real = RealDrives();
    const bool haveReal = !real.empty();
    for (DriveInfo &info : real)
        catalogue.entries.push_back({std::move(info), nullptr});

    std::optional<Faults> envFaults;
    if (const char *text = std::getenv("QUAVREL_FAULTS"))
        envFaults = ParseFaults(text); // malformed text injects nothing
    for (const std::string &path : ImagePaths(haveReal)) {
        Entry entry{DescribeImage(path), std::make_unique<VirtualDrive>(path)};
        if (envFaults)
            entry.drive->SetFaults(*envFaults);
        catalogue.entries.push_back(std::move(entry));
    }
    catalogue.built = true;
}

// Holds the catalogue's lock for a scope, building the catalogue on first use.
class Guarded {
  public:
    Guarded() : catalogue_(TheCatalogue()), guard_(catalogue_.lock)
    {
        if (!catalogue_.built)
            Build(catalogue_);
    }
    Catalogue *operator->() { return &catalogue_; }

    // The virtual drive at index, or the error that says why there is none.
    DriveError Virtual(size_t index, VirtualDrive *&drive)
    {
        drive = nullptr;
        if (index >= catalogue_.entries.size())
            return DriveError::NoSuchDrive;
        drive = catalogue_.entries[index].drive.get();
        return drive ? DriveError::None : DriveError::NotVirtual;
    }

    std::chrono::steady_clock::time_point Now() const
    {
        return catalogue_.clock ? catalogue_.clock() : std::chrono::steady_clock::now();
    }

  private:
    Catalogue &catalogue_;
    std::lock_guard<std::recursive_mutex> guard_;
};

void Notify(size_t index, bool arrived)
{
    std::vector<MediumListener> listeners;
    {
        Guarded catalogue;
        for (const auto &[id, listener] : catalogue->listeners)
            listeners.push_back(listener);
    }
    for (const MediumListener &listener : listeners)
        if (listener)
            listener(index, arrived);
}

template <typename Operation> DriveError WithVirtual(size_t index, Operation operation)
{
    Guarded catalogue;
    VirtualDrive *drive = nullptr;
    if (DriveError error = catalogue.Virtual(index, drive); error != DriveError::None)
        return error;
    return operation(*drive, catalogue.Now());
}

} // namespace

size_t DriveCount()
{
    Guarded catalogue;
    return catalogue->entries.size();
}

std::vector<DriveInfo> Drives()
{
    Guarded catalogue;
    std::vector<DriveInfo> drives;
    for (const Entry &entry : catalogue->entries)
        drives.push_back(entry.info);
    return drives;
}

std::optional<DriveInfo> Drive(size_t index)
{
    Guarded catalogue;
    if (index >= catalogue->entries.size())
        return std::nullopt;
    return catalogue->entries[index].info;
}

bool IsVirtual(size_t index)
{
    Guarded catalogue;
    return index < catalogue->entries.size() && catalogue->entries[index].drive != nullptr;
}

void RebuildCatalogue()
{
    Catalogue &catalogue = TheCatalogue();
    std::lock_guard<std::recursive_mutex> guard(catalogue.lock);
    Build(catalogue);
}

DriveError ReadToc(size_t index, DiscToc &toc)
{
    toc = DiscToc{};
    std::string devicePath;
    {
        Guarded catalogue;
        VirtualDrive *drive = nullptr;
        DriveError error = catalogue.Virtual(index, drive);
        if (error == DriveError::None)
            return drive->ReadToc(toc);
        if (error != DriveError::NotVirtual)
            return error;
        devicePath = catalogue->entries[index].info.path;
    }
    // A real drive may take seconds to answer: not under the lock.
    return CdioImage::Open(devicePath, true).ReadToc(toc);
}

DriveError ReadContents(size_t index, DiscContents &contents)
{
    contents = DiscContents{};
    std::string devicePath;
    {
        Guarded catalogue;
        VirtualDrive *drive = nullptr;
        DriveError error = catalogue.Virtual(index, drive);
        if (error == DriveError::None)
            return drive->ReadContents(contents);
        if (error != DriveError::NotVirtual)
            return error;
        devicePath = catalogue->entries[index].info.path;
    }
    // Reading the sub-channel takes a real drive a few seeks: not under the lock.
    return ReadDriveContents(devicePath, contents);
}

DriveError GetTrayStatus(size_t index, TrayStatus &status)
{
    status = TrayStatus{};
    return WithVirtual(index, [&](VirtualDrive &drive, auto) {
        status = drive.Tray();
        return DriveError::None;
    });
}

std::string MediumProblem(size_t index)
{
    std::string problem;
    std::string devicePath;
    {
        Guarded catalogue;
        VirtualDrive *drive = nullptr;
        const DriveError error = catalogue.Virtual(index, drive);
        if (error == DriveError::None)
            return drive->Problem();
        if (error != DriveError::NotVirtual)
            return problem;
        devicePath = catalogue->entries[index].info.path;
    }
    // A real drive cannot say why it reads no disc; the emulated drive's test seam can, where
    // libquavrel_emulated_drive.so is preloaded.
    using ProblemOf = const char *(*)(const char *);
    static const auto emulated =
        reinterpret_cast<ProblemOf>(dlsym(RTLD_DEFAULT, "quavrel_emulated_medium_problem"));
    if (emulated)
        if (const char *text = emulated(devicePath.c_str()))
            problem = text;
    return problem;
}

DriveError OpenTray(size_t index)
{
    bool changed = false;
    DriveError error = WithVirtual(index, [&](VirtualDrive &drive, auto) { return drive.OpenTray(changed); });
    if (changed)
        Notify(index, false);
    return error;
}

DriveError CloseTray(size_t index)
{
    bool changed = false;
    DriveError error =
        WithVirtual(index, [&](VirtualDrive &drive, auto) { return drive.CloseTray(changed); });
    if (changed)
        Notify(index, true);
    return error;
}

DriveError Lock(size_t index)
{
    return WithVirtual(index, [](VirtualDrive &drive, auto) { return drive.SetLocked(true); });
}

DriveError Unlock(size_t index)
{
    return WithVirtual(index, [](VirtualDrive &drive, auto) { return drive.SetLocked(false); });
}

DriveError Play(size_t index, int32_t startLba, int32_t endLba)
{
    return WithVirtual(index,
                       [&](VirtualDrive &drive, auto now) { return drive.Play(startLba, endLba, now); });
}

DriveError Pause(size_t index)
{
    return WithVirtual(index, [](VirtualDrive &drive, auto now) { return drive.Pause(now); });
}

DriveError Resume(size_t index)
{
    return WithVirtual(index, [](VirtualDrive &drive, auto now) { return drive.Resume(now); });
}

DriveError Stop(size_t index)
{
    return WithVirtual(index, [](VirtualDrive &drive, auto now) { return drive.Stop(now); });
}

DriveError Position(size_t index, PlayStatus &status)
{
    status = PlayStatus{};
    return WithVirtual(index, [&](VirtualDrive &drive, auto now) { return drive.Position(status, now); });
}

void SetClockSource(ClockSource clock)
{
    Guarded catalogue;
    catalogue->clock = std::move(clock);
}

int AddMediumListener(MediumListener listener)
{
    Guarded catalogue;
    const int id = catalogue->nextListenerId++;
    catalogue->listeners.emplace(id, std::move(listener));
    return id;
}

void RemoveMediumListener(int id)
{
    Guarded catalogue;
    catalogue->listeners.erase(id);
}

DriveError ReadAudio(size_t index, int32_t lsn, int32_t sectorCount, void *buffer)
{
    int slowMs = 0;
    DriveError error = WithVirtual(
        index, [&](VirtualDrive &drive, auto) { return drive.ReadAudio(lsn, sectorCount, buffer, slowMs); });
    // Slept after the read, outside the lock, so a slow drive does not hold up the others.
    if (slowMs > 0 && error != DriveError::NoSuchDrive && error != DriveError::NotVirtual)
        std::this_thread::sleep_for(std::chrono::milliseconds(slowMs));
    return error;
}

DriveError SetFaults(size_t index, const Faults &faults)
{
    return WithVirtual(index, [&](VirtualDrive &drive, auto) {
        drive.SetFaults(faults);
        return DriveError::None;
    });
}

DriveError ClearFaults(size_t index)
{
    return SetFaults(index, Faults{});
}

std::optional<SenseFault> ScriptedSense(size_t index, uint8_t opcode)
{
    std::optional<SenseFault> sense;
    WithVirtual(index, [&](VirtualDrive &drive, auto) {
        sense = drive.ScriptedSense(opcode);
        return DriveError::None;
    });
    return sense;
}

const TocTrack *DiscToc::TrackAt(int32_t lba) const
{
    const TocTrack *found = nullptr;
    for (const TocTrack &track : tracks)
        if (track.startLba <= lba)
            found = &track;
    return lba < leadOutLba ? found : nullptr;
}

int32_t DiscToc::TrackEnd(const TocTrack &track) const
{
    for (size_t i = 0; i + 1 < tracks.size(); ++i)
        if (&tracks[i] == &track)
            return tracks[i + 1].startLba;
    return leadOutLba;
}

} // namespace drives
