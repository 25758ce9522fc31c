// Both ripping libraries on emulated drives: libcdio's Linux driver and paranoia over it, and the
// tray, lock, speed and play commands of the real-drive control.

#include "cdrip_linked.h"
#include "cdrip_test_support.h"
#include "emulated_drives.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <file_descriptor.h>
#include <filesystem>
#include <optional>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

using namespace cdriptest;
using emulatedtest::EmulatedDrives;

class CdRipEmulated : public ::testing::Test {
  protected:
    void Start(const std::vector<std::string> &entries)
    {
        drives_.emplace(entries);
        std::string pattern = (std::filesystem::temp_directory_path() / "cdrip-emulated-XXXXXX").string();
        configHome_ = mkdtemp(pattern.data());
        setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
        ASSERT_EQ(CR_Init(), CDRIP_OK);
        CdAccessStart();
        ASSERT_TRUE(CDRipReady());
    }

    void TearDown() override
    {
        CdAccessEnd();
        std::filesystem::remove_all(configHome_);
        unsetenv("XDG_CONFIG_HOME");
        drives_.reset();
    }

    void UseDrive(int32_t index)
    {
        ASSERT_EQ(CR_SetActiveCDROM(index), CDRIP_OK);
        ASSERT_EQ(cdrip3::CR_SetActiveCDROM(index), CDRIP_OK);
    }

    // The current read speed the drive reports in its capabilities page, in kB/s.
    int CurrentReadSpeed() const
    {
        const platform::FileDescriptor device(open(drives_->Device(0).c_str(), O_RDONLY | O_NONBLOCK));
        uint8_t cdb[10] = {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 64, 0};
        uint8_t data[64] = {};
        uint8_t sense[32] = {};
        sg_io_hdr_t io{};
        io.interface_id = 'S';
        io.cmd_len = sizeof cdb;
        io.cmdp = cdb;
        io.dxfer_direction = SG_DXFER_FROM_DEV;
        io.dxferp = data;
        io.dxfer_len = sizeof data;
        io.sbp = sense;
        io.mx_sb_len = sizeof sense;
        const int result = ioctl(device.Get(), SG_IO, &io);
        return result == 0 && io.status == 0 ? data[8 + 14] << 8 | data[8 + 15] : -1;
    }

    std::optional<EmulatedDrives> drives_;
    std::string configHome_;
};

TEST_F(CdRipEmulated, BothVariantsListTheTracksAndRipEveryOneBitIdentical)
{
    Start({"demo", "mixed"});
    ASSERT_EQ(CR_GetNumCDROM(), 2);
    EXPECT_STREQ(cdrip3::CR_GetCDROMIDByIndex(0),
                 ("QUAVREL Emulated CD-ROM 2.0 (" + drives_->Device(0) + ")").c_str());
    const char *names[] = {"demo", "mixed"};
    for (int32_t drive = 0; drive < 2; ++drive) {
        SCOPED_TRACE(names[drive]);
        UseDrive(drive);
        const CueDisc disc = ParseCue(names[drive]);
        ASSERT_EQ(cdrip3::CR_ReadToc(), CDRIP_OK);
        ASSERT_EQ(CR_ReadToc(), CDRIP_OK);
        ASSERT_EQ(cdrip3::CR_GetNumTocEntries(), static_cast<int32_t>(disc.tracks.size()));
        ASSERT_EQ(CR_GetNumTocEntries(), static_cast<int32_t>(disc.tracks.size()));
        for (size_t i = 0; i <= disc.tracks.size(); ++i) {
            TCdRipTocEntry entry{};
            ASSERT_EQ(cdrip3::CR_GetTocEntry2(static_cast<int32_t>(i), &entry), CDRIP_OK);
            const TCdRipTocEntry linked = UnpackTocEntry(CR_GetTocEntry(static_cast<int32_t>(i)));
            EXPECT_EQ(linked.StartSector, entry.StartSector);
            if (i == disc.tracks.size()) {
                EXPECT_EQ(entry.StartSector, disc.leadOut);
                EXPECT_EQ(entry.TrackNumber, 0xAA);
                continue;
            }
            EXPECT_EQ(entry.StartSector, disc.tracks[i].start);
            EXPECT_EQ(entry.TrackNumber, disc.tracks[i].number);
            EXPECT_EQ(entry.Flag, disc.tracks[i].audio ? 0x10 : 0x14);
        }
        for (const RipCalls &calls : {Linked(), Runtime()}) {
            for (const bool jitterCorrection : {true, false}) {
                Configure(calls, jitterCorrection);
                for (size_t i = 0; i < disc.tracks.size(); ++i) {
                    if (!disc.tracks[i].audio)
                        continue;
                    const int32_t first = disc.tracks[i].start;
                    const int32_t last =
                        (i + 1 < disc.tracks.size() ? disc.tracks[i + 1].start : disc.leadOut) - 1;
                    const RipOutcome rip = RipRange(calls, first, last);
                    ASSERT_EQ(rip.openResult, CDRIP_OK);
                    EXPECT_EQ(rip.jitterErrors, 0);
                    EXPECT_TRUE(rip.data == BinSectors(names[drive], first, last))
                        << "track " << disc.tracks[i].number << (jitterCorrection ? " with" : " without")
                        << " jitter correction";
                }
            }
        }
    }
}

TEST_F(CdRipEmulated, UnreadableSectorsAndC2ErrorsAreReportedAsTheVirtualDrivesReportThem)
{
    constexpr int32_t kFirst = 2000;
    constexpr int32_t kLast = 2399;
    Start({"demo,faults=unreadable=2200|c2=2300"});
    const std::vector<uint8_t> image = BinSectors("demo", kFirst, kLast);
    auto at = [](int32_t sector) { return static_cast<long>(sector - kFirst) * 2352; };

    // Paranoia skips the unreadable sector and cannot verify the guessed one: two jitter errors.
    Configure(Runtime(), true);
    RipOutcome rip = RipRange(Runtime(), kFirst, kLast);
    ASSERT_EQ(rip.results.back(), CDRIP_RIPPING_DONE);
    ASSERT_EQ(rip.data.size(), image.size());
    EXPECT_EQ(rip.jitterErrors, 2);
    for (const int32_t bad : {2200, 2300})
        EXPECT_TRUE(std::any_of(rip.jitterPositions.begin(), rip.jitterPositions.end(), [bad](auto range) {
            return range.first <= bad && bad <= range.second;
        })) << bad;
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + at(2190), rip.data.begin()));
    EXPECT_TRUE(
        std::all_of(rip.data.begin() + at(2200), rip.data.begin() + at(2201), [](uint8_t b) { return !b; }));

    // Read straight, the unreadable sector fails its chunk, and the rip goes on.
    Configure(Linked(), false);
    rip = RipRange(Linked(), kFirst, kLast);
    const auto failed = static_cast<size_t>((2200 - kFirst) / kDefaultChunkSectors);
    ASSERT_GT(rip.results.size(), failed);
    EXPECT_EQ(rip.results[failed], CDRIP_ERROR);
    EXPECT_EQ(rip.results.back(), CDRIP_RIPPING_DONE);
    EXPECT_EQ(rip.data.size(), image.size() - kDefaultChunkSectors * 2352u);
}

TEST_F(CdRipEmulated, TrayLockPlayAndSpeedReachTheDrive)
{
    Start({"demo"});
    TCdInfo info;
    ASSERT_EQ(ReadCdInfo(info), kCdInfoRead);
    EXPECT_EQ(info.TrackCount, 5);
    EXPECT_EQ(cdrip3::CR_IsMediaLoaded(), 1);

    EXPECT_EQ(cdrip3::CR_LockCD(1), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_EjectCD(1), CDRIP_ERROR) << "the tray is locked";
    EXPECT_EQ(cdrip3::CR_IsMediaLoaded(), 1);
    EXPECT_EQ(cdrip3::CR_LockCD(0), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_EjectCD(1), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_IsMediaLoaded(), 0);
    EXPECT_EQ(CR_IsMediaLoaded(), 0) << "the linked variant sees the same drive";
    EXPECT_EQ(ReadCdInfo(info), kCdInfoNoMedium);
    int32_t key = 0, asc = 0, ascq = 0;
    int32_t bytes = 0;
    EXPECT_EQ(cdrip3::CR_OpenRipper(&bytes, 0, 10), CDRIP_ERROR);
    cdrip3::CR_GetSenseKey2(&key, &asc, &ascq);
    EXPECT_EQ(key, 2);
    EXPECT_EQ(asc, 0x3A);
    EXPECT_EQ(cdrip3::CR_EjectCD(0), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_IsMediaLoaded(), 1);
    EXPECT_EQ(ReadCdInfo(info), kCdInfoRead);

    EXPECT_EQ(cdrip3::CR_PauseCD(1), CDRIP_ERROR) << "nothing to pause";
    ASSERT_EQ(cdrip3::CR_PlayTrack(2), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_IsAudioPlaying(), 1);
    EXPECT_EQ(cdrip3::CR_DriveStatus(), CDRIP_AUDIO_PLAYING);
    ASSERT_EQ(cdrip3::CR_PauseCD(1), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_DriveStatus(), 18);
    ASSERT_EQ(cdrip3::CR_PauseCD(0), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_DriveStatus(), CDRIP_AUDIO_PLAYING);
    ASSERT_EQ(cdrip3::CR_StopPlayTrack(), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_IsAudioPlaying(), 0);

    TCDRomParams params{};
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&params), CDRIP_OK);
    params.Speed = 4;
    params.DriveTable[kDriveTableSetSpeed] = kSetSpeedMmc;
    ASSERT_EQ(cdrip3::CR_SetCDROMParameters(&params), CDRIP_OK);
    ASSERT_EQ(RipRange(Runtime(), 100, 120).openResult, CDRIP_OK);
    EXPECT_EQ(CurrentReadSpeed(), 4 * 176);
}

TEST_F(CdRipEmulated, ParametersAreSavedAndReadBack)
{
    Start({"demo"});
    TCDRomParams params{};
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&params), CDRIP_OK);
    params.ChunkSectors = 13;
    params.Speed = 8;
    params.JitterCorrection = 0;
    ASSERT_EQ(cdrip3::CR_SetCDROMParameters(&params), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_SaveSettings(), CDRIP_OK);

    CdAccessEnd();
    CdAccessStart();
    ASSERT_TRUE(CDRipReady());
    TCDRomParams read{};
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&read), CDRIP_OK);
    EXPECT_STREQ(read.DriveId, params.DriveId);
    EXPECT_EQ(read.ChunkSectors, 13);
    EXPECT_EQ(read.Speed, 8);
    EXPECT_EQ(read.JitterCorrection, 0);
    int32_t bytes = 0;
    ASSERT_EQ(cdrip3::CR_OpenRipper(&bytes, 0, 99), CDRIP_OK);
    EXPECT_EQ(bytes, 13 * 2352);
    cdrip3::CR_CloseRipper();
}

} // namespace
