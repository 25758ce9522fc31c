// The CD access helpers: MSF arithmetic, the binding of "CDRIP3.DLL" and ReadCdInfo, over the
// real library and over a stand-in with scripted tables of contents.

#include "cdrip_fixture.h"

#include <cstdlib>
#include <filesystem>

namespace cdriptest {
namespace {

uint32_t Msf(uint32_t minutes, uint32_t seconds, uint32_t frames)
{
    return (minutes << 16) | (seconds << 8) | frames;
}

TEST(MsfTest, ConversionsAndTheirEdges)
{
    EXPECT_EQ(LBAToMSF(0), Msf(0, 2, 0));
    EXPECT_EQ(MSFToLBA(Msf(0, 2, 0)), 0);
    EXPECT_EQ(FramesToMSF(4575), Msf(1, 1, 0));
    EXPECT_EQ(LBAToMSF(74), Msf(0, 2, 74));
    EXPECT_EQ(LBAToMSF(75), Msf(0, 3, 0));
    EXPECT_EQ(MSFToLBA(Msf(0, 0, 0)), -150);
    for (int32_t sector : {-150, -1, 1, 449849, 15000, 333000})
        EXPECT_EQ(MSFToLBA(LBAToMSF(sector)), sector) << sector;
    // What the 8-bit fields cannot hold is clamped, never wrapped.
    EXPECT_EQ(LBAToMSF(-151), Msf(0, 0, 0));
    EXPECT_EQ(FramesToMSF(-1), Msf(0, 0, 0));
    EXPECT_EQ(FramesToMSF(256 * 4500), Msf(255, 59, 74));
}

// The helpers bound to the stand-in library.
class ScriptedTocTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *fakes = std::getenv("QUAVREL_FAKE_CDRIP3_DIR");
        ASSERT_NE(fakes, nullptr);
        setenv("QUAVREL_LIBRARY_PATH", fakes, 1);
        setenv("QUAVREL_LIBRARY_PATH_ONLY", "1", 1);
        CdAccessStart();
        ASSERT_TRUE(CDRipReady());
    }

    void TearDown() override
    {
        CdAccessEnd();
        for (const char *name : {"QUAVREL_LIBRARY_PATH", "QUAVREL_LIBRARY_PATH_ONLY", "FAKE_CDRIP3_TOC",
                                 "FAKE_CDRIP3_MEDIUM", "FAKE_CDRIP3_INIT"})
            unsetenv(name);
    }

    static int32_t Read(const char *toc, TCdInfo &info)
    {
        setenv("FAKE_CDRIP3_TOC", toc, 1);
        return ReadCdInfo(info);
    }
};

TEST_F(ScriptedTocTest, TwoAudioTracks)
{
    TCdInfo info;
    ASSERT_EQ(Read("0:16,15000:16;30000", info), kCdInfoRead);
    EXPECT_EQ(info.TrackCount, 2);
    EXPECT_EQ(info.DiscType, 1);
    EXPECT_EQ(info.LeadOut, LBAToMSF(30000));
    EXPECT_EQ(info.Slot(1).LengthSectors, 15000);
    EXPECT_EQ(info.Slot(1).LengthMSF, Msf(3, 20, 0));
    EXPECT_EQ(info.Slot(1).StartMSF, Msf(0, 2, 0));
    EXPECT_EQ(info.Slot(2).StartMSF, Msf(3, 22, 0));
    EXPECT_EQ(info.Slot(2).StartSector, 15000);
    EXPECT_EQ(info.Slot(2).TrackNumber, 2);
    EXPECT_EQ(info.Slot(2).IsAudio, 1);
}

TEST_F(ScriptedTocTest, DiscTypeFollowsTheDataBit)
{
    TCdInfo info;
    ASSERT_EQ(Read("0:20,1000:20;2000", info), kCdInfoRead);
    EXPECT_EQ(info.DiscType, 0);
    EXPECT_EQ(info.Slot(1).IsAudio, 0);
    ASSERT_EQ(Read("0:20,1000:16;2000", info), kCdInfoRead);
    EXPECT_EQ(info.DiscType, 2);
    // Only bit 2 makes a data track: copy-permitted and pre-emphasis bits do not.
    ASSERT_EQ(Read("0:19,1000:18;2000", info), kCdInfoRead);
    EXPECT_EQ(info.DiscType, 1);
}

TEST_F(ScriptedTocTest, UnreadableOrNonsensicalTablesAreRefused)
{
    TCdInfo info;
    info.TrackCount = 7;
    EXPECT_EQ(ReadCdInfo(info), kCdInfoNoToc) << "no TOC scripted";
    EXPECT_EQ(info.TrackCount, 0);
    EXPECT_EQ(Read(";0", info), kCdInfoNoToc) << "no track";
    EXPECT_EQ(Read("0:16,5000:16,3000:16;9000", info), kCdInfoNoToc) << "tracks out of order";
    EXPECT_EQ(Read("0:16;0", info), kCdInfoNoToc) << "lead-out at the first track";
    setenv("FAKE_CDRIP3_MEDIUM", "0", 1);
    EXPECT_EQ(Read("0:16;9000", info), kCdInfoNoMedium);
    EXPECT_EQ(info.TrackCount, 0);
}

TEST_F(ScriptedTocTest, MoreThanAHundredTracksKeepTheFirstHundred)
{
    std::string toc;
    for (int i = 0; i < 120; ++i)
        toc += (i ? "," : "") + std::to_string(i * 100) + ":16";
    toc += ";12000";
    TCdInfo info;
    ASSERT_EQ(Read(toc.c_str(), info), kCdInfoRead);
    EXPECT_EQ(info.TrackCount, 100);
    EXPECT_EQ(info.Slot(100).StartSector, 9900);
    EXPECT_EQ(info.Slot(100).LengthSectors, 100);
    EXPECT_EQ(info.Slot(1).LengthSectors, 100);
}

TEST_F(ScriptedTocTest, NamesTheLibraryLacksAnswerThroughHarmlessStandIns)
{
    EXPECT_EQ(cdrip3::CR_EjectCD(1), CDRIP_ERROR);
    EXPECT_EQ(cdrip3::CR_GetNumCDROM(), 0);
    EXPECT_EQ(cdrip3::CR_IsAudioPlaying(), 0);
    EXPECT_STREQ(cdrip3::CR_GetCDROMIDByIndex(0), "");
    SelectDrive(0); // nothing to select: no call into nothing
}

TEST(CdRipBindingTest, AMissingLibraryOrAFailedInitLeavesItNotReady)
{
    const std::filesystem::path empty = std::filesystem::temp_directory_path() / "cdrip-no-library";
    std::filesystem::create_directories(empty);
    setenv("QUAVREL_LIBRARY_PATH", empty.c_str(), 1);
    setenv("QUAVREL_LIBRARY_PATH_ONLY", "1", 1);
    CdAccessStart();
    EXPECT_FALSE(CDRipReady());
    EXPECT_FALSE(BindCDRip3()) << "bound once: the second call gives the first result";
    EXPECT_EQ(cdrip3::CR_IsMediaLoaded(), 0);
    EXPECT_EQ(cdrip3::CR_EjectCD(0), CDRIP_ERROR);
    TCdInfo info;
    EXPECT_EQ(ReadCdInfo(info), kCdInfoNoMedium);
    CdAccessEnd();

    setenv("QUAVREL_LIBRARY_PATH", std::getenv("QUAVREL_FAKE_CDRIP3_DIR"), 1);
    setenv("FAKE_CDRIP3_INIT", "1", 1);
    CdAccessStart();
    EXPECT_TRUE(BindCDRip3());
    EXPECT_FALSE(CDRipReady());
    CdAccessEnd();
    for (const char *name : {"QUAVREL_LIBRARY_PATH", "QUAVREL_LIBRARY_PATH_ONLY", "FAKE_CDRIP3_INIT"})
        unsetenv(name);
    std::filesystem::remove(empty);
}

// The helpers over the real library and the generated images.
class DiscInfoTest : public CdRipFixture {};

TEST_F(DiscInfoTest, SlotsAgreeWithEachImagesTableOfContents)
{
    const std::pair<const char *, int16_t> discs[] = {{"demo", 1}, {"mixed", 2}, {"enhanced", 2}, {"onetrack", 1}};
    for (const auto &[name, discType] : discs) {
        SelectDrive(DriveIndexOf(name));
        ASSERT_EQ(cdrip3::CR_GetActiveCDROM(), DriveIndexOf(name));
        const CueDisc cue = ParseCue(name);
        TCdInfo info;
        ASSERT_EQ(ReadCdInfo(info), kCdInfoRead) << name;
        EXPECT_EQ(info.DiscType, discType) << name;
        ASSERT_EQ(info.TrackCount, static_cast<int16_t>(cue.tracks.size())) << name;
        EXPECT_EQ(info.LeadOut, LBAToMSF(cue.leadOut)) << name;
        for (size_t i = 0; i < cue.tracks.size(); ++i) {
            const TCdTrackSlot &slot = info.Slot(static_cast<int>(i + 1));
            const int32_t end = i + 1 < cue.tracks.size() ? cue.tracks[i + 1].start : cue.leadOut;
            EXPECT_EQ(slot.TrackNumber, cue.tracks[i].number) << name;
            EXPECT_EQ(slot.IsAudio, cue.tracks[i].audio ? 1 : 0) << name << " track " << i + 1;
            EXPECT_EQ(slot.StartSector, cue.tracks[i].start) << name << " track " << i + 1;
            EXPECT_EQ(slot.LengthSectors, end - cue.tracks[i].start) << name << " track " << i + 1;
            EXPECT_EQ(slot.StartMSF, LBAToMSF(cue.tracks[i].start));
            EXPECT_EQ(slot.LengthMSF, FramesToMSF(end - cue.tracks[i].start));
        }
    }
}

TEST_F(DiscInfoTest, SelectDriveIgnoresIndexesOutsideTheList)
{
    SelectDrive(DriveIndexOf("mixed"));
    const int32_t active = cdrip3::CR_GetActiveCDROM();
    ASSERT_EQ(active, DriveIndexOf("mixed"));
    SelectDrive(-1);
    SelectDrive(cdrip3::CR_GetNumCDROM());
    EXPECT_EQ(cdrip3::CR_GetActiveCDROM(), active);
    EXPECT_EQ(cdrip3::CR_SetActiveCDROM(cdrip3::CR_GetNumCDROM()), CDRIP_ERROR);
}

} // namespace
} // namespace cdriptest
