// The drive catalogue over the generated images: where drives come from, their TOCs, the tray and
// its notices, the play clock, bit-exact audio and injected faults.

#include "drives_test_support.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace drivestest;
using drives::DriveError;
using namespace std::chrono_literals;

std::vector<std::string> VirtualPaths()
{
    std::vector<std::string> paths;
    for (const drives::DriveInfo &info : drives::Drives())
        if (info.kind == drives::DriveKind::Virtual)
            paths.push_back(info.path);
    return paths;
}

size_t RealDriveCount()
{
    size_t n = 0;
    for (const drives::DriveInfo &info : drives::Drives())
        n += info.kind == drives::DriveKind::Real;
    return n;
}

class TempConfigDir {
  public:
    TempConfigDir()
        : dir_(std::filesystem::temp_directory_path() / ("quavrel-drives-" + std::to_string(getpid())))
    {
        std::filesystem::create_directories(dir_ / "Quavrel");
    }
    ~TempConfigDir() { std::filesystem::remove_all(dir_); }
    void WriteDrivesFile(const std::string &text) const
    {
        std::ofstream(dir_ / "Quavrel" / "drives") << text;
    }
    std::string Path() const { return dir_.string(); }

  private:
    std::filesystem::path dir_;
};

TEST(DriveCatalogue, RealDrivesComeFirstThenTheListedImagesInOrder)
{
    const std::vector<drives::DriveInfo> all = drives::Drives();
    const size_t real = RealDriveCount();
    for (size_t i = 0; i < real; ++i)
        EXPECT_EQ(all[i].path.rfind("/dev/sr", 0), 0u) << all[i].path;
    EXPECT_EQ(VirtualPaths(), (std::vector<std::string>{DiscPath("demo"), DiscPath("mixed"),
                                                        DiscPath("enhanced"), DiscPath("onetrack")}));
    const drives::DriveInfo demo = *drives::Drive(IndexOf(DiscPath("demo")));
    EXPECT_EQ(demo.vendor, "QUAVREL");
    EXPECT_EQ(demo.product, "Virtual CD-ROM");
    EXPECT_NE(demo.description.find("demo.cue"), std::string::npos);
    EXPECT_FALSE(drives::Drive(all.size()).has_value());
}

TEST(DriveCatalogue, DrivesFileListsImagesUnlessTheVariableDecides)
{
    TempConfigDir config;
    config.WriteDrivesFile("# my images\n\n" + DiscPath("mixed") + "\r\n  " + DiscPath("onetrack") + "\n");
    ScopedEnvironment xdg("XDG_CONFIG_HOME", config.Path());
    {
        ScopedEnvironment unset("QUAVREL_DRIVES", std::nullopt);
        EXPECT_EQ(VirtualPaths(), (std::vector<std::string>{DiscPath("mixed"), DiscPath("onetrack")}));
    }
    {
        ScopedEnvironment only("QUAVREL_DRIVES", DiscPath("enhanced"));
        EXPECT_EQ(VirtualPaths(), std::vector<std::string>{DiscPath("enhanced")});
    }
    ScopedEnvironment none("QUAVREL_DRIVES", "");
    EXPECT_TRUE(VirtualPaths().empty());
}

TEST(DriveCatalogue, AnyImageLibcdioOpensIsADriveAndAMissingOneHasNoMedium)
{
    TempConfigDir dir;
    std::string bin = DiscPath("onetrack");
    bin.replace(bin.size() - 3, 3, "bin");
    const std::string toc = dir.Path() + "/onetrack.toc";
    std::ofstream(toc) << "CD_DA\n\nTRACK AUDIO\nFILE \"" << bin << "\" 0\n";
    ScopedEnvironment listed("QUAVREL_DRIVES", toc + ":" + dir.Path() + "/missing.cue");

    drives::DiscToc read;
    const size_t cdrdao = IndexOf(toc);
    ASSERT_EQ(drives::ReadToc(cdrdao, read), DriveError::None);
    ASSERT_EQ(read.tracks.size(), 1u);
    std::vector<uint8_t> sectors(20 * drives::kSectorBytes);
    ASSERT_EQ(drives::ReadAudio(cdrdao, 100, 20, sectors.data()), DriveError::None);
    // A TOC's raw audio file holds big-endian samples, as cdrdao's manual has it.
    std::vector<uint8_t> swapped = BinSectors("onetrack", 100, 20);
    for (size_t i = 0; i + 1 < swapped.size(); i += 2)
        std::swap(swapped[i], swapped[i + 1]);
    EXPECT_EQ(sectors, swapped);

    const size_t missing = IndexOf(dir.Path() + "/missing.cue");
    drives::TrayStatus tray;
    ASSERT_EQ(drives::GetTrayStatus(missing, tray), DriveError::None);
    EXPECT_FALSE(tray.open);
    EXPECT_FALSE(tray.mediumPresent);
    EXPECT_EQ(drives::ReadToc(missing, read), DriveError::NoMedium);
}

TEST(DriveCatalogue, ABrokenImageSaysWhyAndAPipeIsNoDrive)
{
    TempConfigDir dir;
    const std::filesystem::path folder = dir.Path();
    std::string demoBin = DiscPath("demo");
    demoBin.replace(demoBin.size() - 3, 3, "bin");
    // The demo disc's cue sheet over a copy of its audio cut in half, and over no audio at all.
    std::filesystem::copy_file(DiscPath("demo"), folder / "cut.cue");
    std::filesystem::copy_file(DiscPath("demo"), folder / "nobin.cue");
    std::filesystem::copy_file(demoBin, folder / "cut.bin");
    std::filesystem::resize_file(folder / "cut.bin", std::filesystem::file_size(demoBin) / 2);
    ASSERT_EQ(mkfifo((folder / "pipe.cue").c_str(), 0600), 0);
    ScopedEnvironment listed("QUAVREL_DRIVES", (folder / "cut.cue").string() + ":" +
                                                   (folder / "pipe.cue").string() + ":" +
                                                   (folder / "nobin.cue").string() + ":" + DiscPath("demo"));

    // The pipe is skipped without opening it (which would block).
    EXPECT_EQ(VirtualPaths(), (std::vector<std::string>{(folder / "cut.cue").string(),
                                                        (folder / "nobin.cue").string(), DiscPath("demo")}));
    const struct {
        std::string image;
        std::string problem;
    } cases[] = {{"cut.cue", "fichier audio tronqué : " + (folder / "cut.bin").string()},
                 {"nobin.cue", "fichier audio introuvable : " + (folder / "nobin.bin").string()}};
    for (const auto &c : cases) {
        const size_t index = IndexOf((folder / c.image).string());
        EXPECT_EQ(drives::MediumProblem(index), c.problem);
        drives::TrayStatus tray;
        ASSERT_EQ(drives::GetTrayStatus(index, tray), DriveError::None);
        EXPECT_FALSE(tray.mediumPresent) << c.image;
    }
    EXPECT_EQ(drives::MediumProblem(IndexOf(DiscPath("demo"))), "");
}

TEST(DriveCatalogue, NoFileOfTheListOrOfAnImageIsReadUnlessItIsARegularFile)
{
    // Each of these used to block the catalogue's first use, or read until memory ran out.
    TempConfigDir dir;
    const std::filesystem::path folder = dir.Path();
    const std::filesystem::path list = folder / "Quavrel" / "drives";
    ScopedEnvironment xdg("XDG_CONFIG_HOME", dir.Path());
    ScopedEnvironment unset("QUAVREL_DRIVES", std::nullopt);
    const std::vector<std::string> unlisted =
        RealDriveCount() > 0 ? std::vector<std::string>{} : std::vector<std::string>{drives::DemoDiscPath()};
    ASSERT_EQ(mkfifo(list.c_str(), 0600), 0);
    drives::RebuildCatalogue();
    EXPECT_EQ(VirtualPaths(), unlisted);
    std::filesystem::remove(list);
    std::filesystem::create_symlink("/dev/zero", list);
    drives::RebuildCatalogue();
    EXPECT_EQ(VirtualPaths(), unlisted);
    std::filesystem::remove(list);
    {
        std::ofstream out(list);
        out << DiscPath("demo") << "\n#" << std::string(4 * 1024 * 1024, 'x') << "\n";
    }
    drives::RebuildCatalogue();
    EXPECT_EQ(VirtualPaths(), unlisted);

    // Images whose data file is a FIFO or a device: drives without a medium, that say why.
    std::string bin = DiscPath("onetrack");
    bin.replace(bin.size() - 3, 3, "bin");
    ASSERT_EQ(mkfifo((folder / "pipe.bin").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder / "zero.bin");
    std::filesystem::copy_file(bin, folder / "named.bin");
    std::ofstream(folder / "named.cue")
        << "FILE \"pipe.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
    std::ofstream(folder / "zero.cue")
        << "FILE \"/dev/zero\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
    std::ofstream(folder / "pipe.toc") << "CD_DA\n\nTRACK AUDIO\nFILE \"pipe.bin\" 0\n";
    std::ofstream(folder / "zero.toc")
        << "CD_DA\n\nTRACK AUDIO\nFILE \"" << (folder / "zero.bin").string() << "\" 0\n";
    ScopedEnvironment listed("QUAVREL_DRIVES",
                             (folder / "named.cue").string() + ":" + (folder / "zero.cue").string() + ":" +
                                 (folder / "pipe.toc").string() + ":" + (folder / "zero.toc").string());
    const std::pair<const char *, std::string> images[] = {{"named.cue", (folder / "pipe.bin").string()},
                                                           {"zero.cue", "/dev/zero"},
                                                           {"pipe.toc", (folder / "pipe.bin").string()},
                                                           {"zero.toc", (folder / "zero.bin").string()}};
    for (const auto &[image, data] : images) {
        const size_t index = IndexOf((folder / image).string());
        EXPECT_EQ(drives::MediumProblem(index), "le fichier audio n'est pas un fichier ordinaire : " + data);
        drives::DiscToc toc;
        EXPECT_EQ(drives::ReadToc(index, toc), DriveError::NoMedium) << image;
    }
}

TEST(DriveCatalogue, DemoDiscStandsInWhenThereIsNothingElse)
{
    TempConfigDir config;
    ScopedEnvironment xdg("XDG_CONFIG_HOME", config.Path());
    ScopedEnvironment unset("QUAVREL_DRIVES", std::nullopt);
    if (RealDriveCount() > 0)
        GTEST_SKIP() << "this machine has optical drives: the demo disc is not added";
    ASSERT_EQ(drives::DriveCount(), 1u);
    EXPECT_TRUE(std::filesystem::equivalent(drives::Drive(0)->path, DiscPath("demo")));
    drives::DiscToc toc;
    EXPECT_EQ(drives::ReadToc(0, toc), DriveError::None);
}

TEST(DriveCatalogue, TocsOfTheGeneratedImages)
{
    drives::DiscToc demo;
    ASSERT_EQ(drives::ReadToc(IndexOf(DiscPath("demo")), demo), DriveError::None);
    ASSERT_GE(demo.tracks.size(), 5u);
    EXPECT_EQ(demo.firstTrack, 1);
    EXPECT_EQ(demo.tracks.front().startLba, 0);
    EXPECT_EQ(demo.leadOutLba * int64_t{drives::kSectorBytes},
              static_cast<int64_t>(std::filesystem::file_size(
                  DiscPath("demo").replace(DiscPath("demo").size() - 3, 3, "bin"))));
    bool shortTrack = false;
    bool longTrack = false;
    for (const drives::TocTrack &track : demo.tracks) {
        EXPECT_TRUE(track.audio);
        const int32_t length = demo.TrackEnd(track) - track.startLba;
        EXPECT_GT(length, 0);
        shortTrack = shortTrack || length < 10 * drives::kFramesPerSecond;
        longTrack = longTrack || length > 60 * drives::kFramesPerSecond;
    }
    EXPECT_TRUE(shortTrack);
    EXPECT_TRUE(longTrack);

    drives::DiscToc mixed;
    ASSERT_EQ(drives::ReadToc(IndexOf(DiscPath("mixed")), mixed), DriveError::None);
    ASSERT_EQ(mixed.tracks.size(), 3u);
    EXPECT_FALSE(mixed.tracks[0].audio);
    EXPECT_TRUE(mixed.tracks[1].audio && mixed.tracks[2].audio);

    drives::DiscToc enhanced;
    ASSERT_EQ(drives::ReadToc(IndexOf(DiscPath("enhanced")), enhanced), DriveError::None);
    ASSERT_EQ(enhanced.tracks.size(), 3u);
    EXPECT_TRUE(enhanced.tracks[0].audio && enhanced.tracks[1].audio);
    EXPECT_FALSE(enhanced.tracks[2].audio);
}

TEST(DriveCatalogue, DemoTracksAreAudibleAndDistinct)
{
    const size_t index = IndexOf(DiscPath("demo"));
    drives::DiscToc toc;
    ASSERT_EQ(drives::ReadToc(index, toc), DriveError::None);
    std::vector<std::vector<uint8_t>> openings;
    for (const drives::TocTrack &track : toc.tracks) {
        // Every second of the track, not just its start, carries sound.
        for (int32_t lsn = track.startLba; lsn < toc.TrackEnd(track); lsn += drives::kFramesPerSecond) {
            std::vector<uint8_t> sector(drives::kSectorBytes);
            ASSERT_EQ(drives::ReadAudio(index, lsn, 1, sector.data()), DriveError::None);
            double energy = 0;
            for (size_t i = 0; i + 1 < sector.size(); i += 2) {
                const double sample = static_cast<int16_t>(sector[i] | sector[i + 1] << 8);
                energy += sample * sample;
            }
            EXPECT_GT(std::sqrt(energy / (sector.size() / 2)), 300.0)
                << "track " << track.number << " sector " << lsn;
        }
        openings.push_back(BinSectors("demo", track.startLba + 75, 75));
    }
    for (size_t a = 0; a < openings.size(); ++a)
        for (size_t b = a + 1; b < openings.size(); ++b)
            EXPECT_NE(openings[a], openings[b]) << "tracks " << a + 1 << " and " << b + 1;
}

class VirtualDrive : public ::testing::Test {
  protected:
    void TearDown() override
    {
        drives::Unlock(index);
        drives::CloseTray(index);
        drives::Stop(index);
        drives::ClearFaults(index);
    }
    size_t index = IndexOf(DiscPath("demo"));
};

TEST_F(VirtualDrive, TrayRemovesAndRestoresTheMediumAndTellsTheListeners)
{
    std::vector<std::pair<size_t, bool>> notices;
    drives::TrayStatus seenByListener;
    const int id = drives::AddMediumListener([&](size_t drive, bool arrived) {
        notices.emplace_back(drive, arrived);
        drives::GetTrayStatus(drive, seenByListener); // listeners may call back in
    });

    EXPECT_EQ(drives::OpenTray(index), DriveError::None);
    EXPECT_TRUE(seenByListener.open);
    drives::DiscToc toc;
    EXPECT_EQ(drives::ReadToc(index, toc), DriveError::TrayOpen);
    std::vector<uint8_t> sector(drives::kSectorBytes);
    EXPECT_EQ(drives::ReadAudio(index, 0, 1, sector.data()), DriveError::TrayOpen);
    EXPECT_EQ(drives::OpenTray(index), DriveError::None); // already open: no notice

    EXPECT_EQ(drives::CloseTray(index), DriveError::None);
    EXPECT_TRUE(seenByListener.mediumPresent);
    EXPECT_EQ(drives::ReadToc(index, toc), DriveError::None);
    EXPECT_EQ(notices, (std::vector<std::pair<size_t, bool>>{{index, false}, {index, true}}));

    EXPECT_EQ(drives::Lock(index), DriveError::None);
    EXPECT_EQ(drives::OpenTray(index), DriveError::Locked);
    drives::TrayStatus tray;
    drives::GetTrayStatus(index, tray);
    EXPECT_TRUE(tray.locked && tray.mediumPresent && !tray.open);
    EXPECT_EQ(drives::Unlock(index), DriveError::None);

    drives::RemoveMediumListener(id);
    EXPECT_EQ(drives::OpenTray(index), DriveError::None);
    EXPECT_EQ(notices.size(), 2u);
}

TEST_F(VirtualDrive, PlayClockRunsPausesAndEndsWithItsRange)
{
    ManualClock clock;
    drives::DiscToc toc;
    ASSERT_EQ(drives::ReadToc(index, toc), DriveError::None);
    const drives::TocTrack &second = toc.tracks[1];
    const int32_t end = toc.TrackEnd(second);
    drives::PlayStatus status;

    EXPECT_EQ(drives::Pause(index), DriveError::NotPlaying);
    EXPECT_EQ(drives::Resume(index), DriveError::NotPlaying);

    ASSERT_EQ(drives::Play(index, second.startLba, end), DriveError::None);
    clock.Advance(2s);
    drives::Position(index, status);
    EXPECT_EQ(status.state, drives::PlayState::Playing);
    EXPECT_EQ(status.lba, second.startLba + 150);

    EXPECT_EQ(drives::Pause(index), DriveError::None);
    clock.Advance(5s);
    drives::Position(index, status);
    EXPECT_EQ(status.state, drives::PlayState::Paused);
    EXPECT_EQ(status.lba, second.startLba + 150);

    EXPECT_EQ(drives::Resume(index), DriveError::None);
    for (int i = 0; i < 50; ++i) { // polling often neither slows nor speeds the clock
        clock.Advance(20ms);
        drives::Position(index, status);
    }
    EXPECT_NEAR(status.lba, second.startLba + 225, 1);

    clock.Advance(std::chrono::seconds(end - second.startLba));
    drives::Position(index, status);
    EXPECT_EQ(status.state, drives::PlayState::Completed);
    EXPECT_EQ(status.lba, end);
    EXPECT_EQ(drives::Pause(index), DriveError::NotPlaying);

    EXPECT_EQ(drives::Stop(index), DriveError::None);
    drives::Position(index, status);
    EXPECT_EQ(status.state, drives::PlayState::Stopped);

    EXPECT_EQ(drives::Play(index, 100, 100), DriveError::None); // empty range: accepted, nothing plays
    drives::Position(index, status);
    EXPECT_EQ(status.state, drives::PlayState::Stopped);
}

TEST_F(VirtualDrive, PlayRefusesRangesOutsideTheAudio)
{
    drives::DiscToc toc;
    ASSERT_EQ(drives::ReadToc(index, toc), DriveError::None);
    EXPECT_EQ(drives::Play(index, 200, 100), DriveError::InvalidRange);
    EXPECT_EQ(drives::Play(index, 0, toc.leadOutLba + 1), DriveError::OutOfRange);
    EXPECT_EQ(drives::Play(index, -1, 100), DriveError::OutOfRange);
    EXPECT_EQ(drives::Play(index, 0, toc.leadOutLba), DriveError::None);

    const size_t mixed = IndexOf(DiscPath("mixed"));
    EXPECT_EQ(drives::Play(mixed, 0, 100), DriveError::DataTrack);

    drives::OpenTray(index);
    EXPECT_EQ(drives::Play(index, 0, 100), DriveError::TrayOpen);
    drives::CloseTray(index);
    drives::PlayStatus status;
    drives::Position(index, status);
    EXPECT_EQ(status.state, drives::PlayState::Stopped); // opening the tray ended the play
}

TEST_F(VirtualDrive, ReadAudioGivesTheImageBytesExactly)
{
    drives::DiscToc toc;
    ASSERT_EQ(drives::ReadToc(index, toc), DriveError::None);
    const int32_t chunk = 1000;
    for (int32_t lsn = 0; lsn < toc.leadOutLba; lsn += chunk) {
        const int32_t count = std::min(chunk, toc.leadOutLba - lsn);
        std::vector<uint8_t> read(static_cast<size_t>(count) * drives::kSectorBytes);
        ASSERT_EQ(drives::ReadAudio(index, lsn, count, read.data()), DriveError::None);
        ASSERT_EQ(read, BinSectors("demo", lsn, count)) << "sectors from " << lsn;
    }
    std::vector<uint8_t> sector(drives::kSectorBytes);
    EXPECT_EQ(drives::ReadAudio(index, toc.leadOutLba, 1, sector.data()), DriveError::OutOfRange);

    // Behind a data track the audio sits where the cue sheet says.
    const size_t mixed = IndexOf(DiscPath("mixed"));
    drives::DiscToc mixedToc;
    ASSERT_EQ(drives::ReadToc(mixed, mixedToc), DriveError::None);
    const int32_t audioStart = mixedToc.tracks[1].startLba;
    std::vector<uint8_t> audio(10 * drives::kSectorBytes);
    ASSERT_EQ(drives::ReadAudio(mixed, audioStart, 10, audio.data()), DriveError::None);
    EXPECT_EQ(audio, BinSectors("mixed", audioStart, 10));
}

TEST_F(VirtualDrive, InjectedFaultsReachTheReader)
{
    drives::Faults faults;
    faults.unreadable = {100};
    faults.jitter = {50};
    faults.slowMs = 1;
    faults.sense = {{0x43, 0x03, 0x02, 0x00}};
    ASSERT_EQ(drives::SetFaults(index, faults), DriveError::None);

    std::vector<uint8_t> read(21 * drives::kSectorBytes);
    EXPECT_EQ(drives::ReadAudio(index, 90, 21, read.data()), DriveError::ReadError);
    EXPECT_EQ(drives::ReadAudio(index, 0, 21, read.data()), DriveError::None); // sectors 0..20: clean
    EXPECT_EQ(read, BinSectors("demo", 0, 21));

    // Jitter: the first read covering sector 50 gets it displaced, and only it; the next is right.
    const std::vector<uint8_t> expected = BinSectors("demo", 40, 21);
    ASSERT_EQ(drives::ReadAudio(index, 40, 21, read.data()), DriveError::None);
    const size_t at = 10 * drives::kSectorBytes;
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + at, expected.begin()));
    EXPECT_TRUE(std::equal(read.begin() + at + drives::kSectorBytes, read.end(),
                           expected.begin() + at + drives::kSectorBytes));
    EXPECT_FALSE(
        std::equal(read.begin() + at, read.begin() + at + drives::kSectorBytes, expected.begin() + at));
    EXPECT_TRUE(std::equal(read.begin() + at + drives::kJitterShiftBytes,
                           read.begin() + at + drives::kSectorBytes, expected.begin() + at));
    ASSERT_EQ(drives::ReadAudio(index, 40, 21, read.data()), DriveError::None);
    EXPECT_EQ(read, expected);

    ASSERT_TRUE(drives::ScriptedSense(index, 0x43).has_value());
    EXPECT_EQ(drives::ScriptedSense(index, 0x43)->asc, 0x02);
    EXPECT_FALSE(drives::ScriptedSense(index, 0x42).has_value());

    // Closing the tray re-arms the jitter, as a new disc would.
    drives::OpenTray(index);
    drives::CloseTray(index);
    ASSERT_EQ(drives::ReadAudio(index, 50, 1, read.data()), DriveError::None);
    EXPECT_FALSE(std::equal(read.begin(), read.begin() + drives::kSectorBytes, expected.begin() + at));
}

TEST(DriveFaults, EnvironmentFaultsApplyToEveryVirtualDrive)
{
    ScopedEnvironment faults("QUAVREL_FAULTS", "unreadable=5;sense=0x47:05/64/00");
    std::vector<uint8_t> sector(drives::kSectorBytes);
    for (const char *name : {"demo", "onetrack"}) {
        const size_t index = IndexOf(DiscPath(name));
        EXPECT_EQ(drives::ReadAudio(index, 5, 1, sector.data()), DriveError::ReadError) << name;
        EXPECT_EQ(drives::ReadAudio(index, 4, 1, sector.data()), DriveError::None) << name;
        EXPECT_TRUE(drives::ScriptedSense(index, 0x47).has_value()) << name;
    }
}

TEST(DriveFaults, ParsesTheDocumentedSyntax)
{
    const std::optional<drives::Faults> faults =
        drives::ParseFaults("jitter=1000,2000; unreadable=3000-3002 ;slow=5;sense=0x43:05/24/00,4b:02/3A/01");
    ASSERT_TRUE(faults.has_value());
    EXPECT_EQ(faults->jitter, (std::set<int32_t>{1000, 2000}));
    EXPECT_EQ(faults->unreadable, (std::set<int32_t>{3000, 3001, 3002}));
    EXPECT_EQ(faults->slowMs, 5);
    ASSERT_EQ(faults->sense.size(), 2u);
    EXPECT_EQ(faults->sense[0].opcode, 0x43);
    EXPECT_EQ(faults->sense[0].key, 0x05);
    EXPECT_EQ(faults->sense[0].asc, 0x24);
    EXPECT_EQ(faults->sense[1].opcode, 0x4B);
    EXPECT_EQ(faults->sense[1].asc, 0x3A);
    EXPECT_EQ(faults->sense[1].ascq, 0x01);

    const std::optional<drives::Faults> none = drives::ParseFaults("");
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->jitter.empty() && none->unreadable.empty() && none->sense.empty() && none->slowMs == 0);

    for (const char *bad :
         {"jitter=", "jitter=a", "jitter=5,", "slow=-1", "slow=fast", "unreadable=9-3", "sense=0x43:05/24",
          "sense=43:1G/00/00", "sense=43:10/00/00", "colour=red", "jitter"}) {
        std::string error;
        EXPECT_FALSE(drives::ParseFaults(bad, &error).has_value()) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

} // namespace
