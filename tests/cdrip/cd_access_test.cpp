// The CD access helpers: MSF arithmetic, the binding of "CDRIP3.DLL" and ReadCdInfo, over the
// real library and over a stand-in with scripted tables of contents.

#include "cdrip_test_support.h"

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
    EXPECT_EQ(MSFToLBA(Msf(0, 0, 0)), -150);
    for (int32_t sector : {-150, -1, 75, 15000, 333000, 449849})
        EXPECT_EQ(MSFToLBA(LBAToMSF(sector)), sector) << sector;
    // What the 8-bit fields cannot hold is clamped, never wrapped.
    EXPECT_EQ(LBAToMSF(-151), Msf(0, 0, 0));
    EXPECT_EQ(FramesToMSF(256 * 4500), Msf(255, 59, 74));
}

// Binds the stand-in library (or, with no directory, none), scripted by environment variables.
class BindingTest : public ::testing::Test {
  protected:
    void Start(const char *libraryDir, std::vector<std::pair<const char *, std::string>> script = {})
    {
        setenv("QUAVREL_LIBRARY_PATH", libraryDir, 1);
        setenv("QUAVREL_LIBRARY_PATH_ONLY", "1", 1);
        for (const auto &[name, value] : script) {
            setenv(name, value.c_str(), 1);
            set_.push_back(name);
        }
        CdAccessStart();
    }

    void TearDown() override
    {
        CdAccessEnd();
        for (const char *name : set_)
            unsetenv(name);
        unsetenv("QUAVREL_LIBRARY_PATH");
        unsetenv("QUAVREL_LIBRARY_PATH_ONLY");
    }

    int32_t Read(const std::string &toc, TCdInfo &info)
    {
        setenv("FAKE_CDRIP3_TOC", toc.c_str(), 1);
        set_.push_back("FAKE_CDRIP3_TOC");
        return ReadCdInfo(info);
    }

    static const char *Fakes() { return std::getenv("QUAVREL_FAKE_CDRIP3_DIR"); }

    std::vector<const char *> set_;
};

TEST_F(BindingTest, TwoAudioTracksAndTheDiscTypes)
{
    Start(Fakes());
    ASSERT_TRUE(CDRipReady());
    TCdInfo info;
    ASSERT_EQ(Read("16@0,16@15000,30000", info), kCdInfoRead);
    EXPECT_EQ(info.TrackCount, 2);
    EXPECT_EQ(info.DiscType, 1);
    EXPECT_EQ(info.LeadOut, LBAToMSF(30000));
    EXPECT_EQ(info.Slot(1).LengthSectors, 15000);
    EXPECT_EQ(info.Slot(1).LengthMSF, Msf(3, 20, 0));
    EXPECT_EQ(info.Slot(2).StartMSF, Msf(3, 22, 0));
    EXPECT_EQ(info.Slot(2).TrackNumber, 2);

    ASSERT_EQ(Read("20@0,20@1000,2000", info), kCdInfoRead);
    EXPECT_EQ(info.DiscType, 0);
    ASSERT_EQ(Read("20@0,16@1000,2000", info), kCdInfoRead);
    EXPECT_EQ(info.DiscType, 2);
    ASSERT_EQ(Read("19@0,18@1000,2000", info), kCdInfoRead); // only bit 2 makes data
    EXPECT_EQ(info.DiscType, 1);

    std::string hundredTwenty;
    for (int i = 0; i < 120; ++i)
        hundredTwenty += "16@" + std::to_string(i * 100) + ",";
    ASSERT_EQ(Read(hundredTwenty + "12000", info), kCdInfoRead);
    EXPECT_EQ(info.TrackCount, 100);
    EXPECT_EQ(info.Slot(100).StartSector, 9900);
    EXPECT_EQ(info.Slot(100).LengthSectors, 100);
}

TEST_F(BindingTest, UnreadableOrNonsensicalTablesAreRefused)
{
    Start(Fakes());
    TCdInfo info;
    info.TrackCount = 7;
    EXPECT_EQ(ReadCdInfo(info), kCdInfoNoToc) << "no TOC scripted";
    EXPECT_EQ(info.TrackCount, 0);
    EXPECT_EQ(Read("0", info), kCdInfoNoToc) << "no track";
    EXPECT_EQ(Read("16@0,16@5000,16@3000,9000", info), kCdInfoNoToc) << "tracks out of order";
    EXPECT_EQ(Read("16@0,0", info), kCdInfoNoToc) << "lead-out at the first track";
    setenv("FAKE_CDRIP3_MEDIUM", "0", 1);
    set_.push_back("FAKE_CDRIP3_MEDIUM");
    EXPECT_EQ(Read("16@0,9000", info), kCdInfoNoMedium);
    // Names the stand-in lacks answer through harmless stand-ins.
    EXPECT_EQ(cdrip3::CR_EjectCD(1), CDRIP_ERROR);
    EXPECT_EQ(cdrip3::CR_GetNumCDROM(), 0);
    EXPECT_STREQ(cdrip3::CR_GetCDROMIDByIndex(0), "");
}

TEST_F(BindingTest, AMissingLibraryLeavesItNotReadyAndHarmless)
{
    std::string empty = (std::filesystem::temp_directory_path() / "cdrip-no-library-XXXXXX").string();
    ASSERT_NE(mkdtemp(empty.data()), nullptr);
    Start(empty.c_str());
    EXPECT_FALSE(CDRipReady());
    EXPECT_FALSE(BindCDRip3()) << "bound once: a second call gives the first result";
    EXPECT_EQ(cdrip3::CR_IsMediaLoaded(), 0);
    EXPECT_EQ(cdrip3::CR_EjectCD(0), CDRIP_ERROR);
    TCdInfo info;
    EXPECT_EQ(ReadCdInfo(info), kCdInfoNoMedium);
    SelectDrive(0);
    std::filesystem::remove(empty);
}

TEST_F(BindingTest, AFailedInitLeavesItNotReady)
{
    Start(Fakes(), {{"FAKE_CDRIP3_INIT", "1"}});
    EXPECT_TRUE(BindCDRip3());
    EXPECT_FALSE(CDRipReady());
}

// The helpers over the real library and the generated images.
class DiscInfoTest : public CdRipFixture {};

TEST_F(DiscInfoTest, SlotsAgreeWithEachImagesTableOfContents)
{
    const std::pair<const char *, int16_t> discs[] = {
        {"demo", 1}, {"mixed", 2}, {"enhanced", 2}, {"onetrack", 1}};
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
            const int32_t length =
                (i + 1 < cue.tracks.size() ? cue.tracks[i + 1].start : cue.leadOut) - cue.tracks[i].start;
            EXPECT_EQ(slot.TrackNumber, cue.tracks[i].number) << name;
            EXPECT_EQ(slot.IsAudio, cue.tracks[i].audio ? 1 : 0) << name << " track " << i + 1;
            EXPECT_EQ(slot.StartSector, cue.tracks[i].start) << name << " track " << i + 1;
            EXPECT_EQ(slot.LengthSectors, length) << name << " track " << i + 1;
            EXPECT_EQ(slot.StartMSF, LBAToMSF(cue.tracks[i].start));
            EXPECT_EQ(slot.LengthMSF, FramesToMSF(length));
        }
    }
    // Out of the list, or already active: nothing changes.
    SelectDrive(-1);
    SelectDrive(cdrip3::CR_GetNumCDROM());
    EXPECT_EQ(cdrip3::CR_GetActiveCDROM(), DriveIndexOf("onetrack"));
}

} // namespace
} // namespace cdriptest
