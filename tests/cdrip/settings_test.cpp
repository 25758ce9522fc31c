// The parameter record: what callers may set, and its round trip through "CDRipper.ini".

#include "cdrip_linked.h"
#include "cdrip_test_support.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace cdriptest {
namespace {

class SettingsTest : public CdRipFixture {
  protected:
    std::string IniPath() const { return configHome_ + "/Quavrel/CDRipper.ini"; }

    void WriteIni(const std::string &text) const
    {
        std::filesystem::create_directories(configHome_ + "/Quavrel");
        std::ofstream(IniPath()) << text;
    }

    // The main window's fields, by offset, 32 bits each.
    static void WindowFields(TCDRomParams &params, int32_t speed, int32_t format)
    {
        const std::pair<size_t, int32_t> fields[] = {
            {256, 26}, {260, 7}, {264, 1}, {276, speed}, {284, -1}, {327, format}, {328, 0}, {332, 30},
            {336, 0},  {340, 0}, {344, 0}, {348, 0},     {352, 1},  {356, 223},    {292, 14}};
        for (const auto &[offset, value] : fields)
            std::memcpy(reinterpret_cast<char *>(&params) + offset, &value, sizeof value);
    }
};

TEST_F(SettingsTest, SavedParametersComeBackPerDriveAfterAFreshInit)
{
    TCDRomParams demo{};
    TCDRomParams mixed{};
    UseDisc("demo");
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&demo), CDRIP_OK);
    EXPECT_STREQ(demo.DriveId, cdrip3::CR_GetCDROMIDByIndex(DriveIndexOf("demo")));
    EXPECT_NE(std::string(demo.DriveId).find("demo.cue"), std::string::npos) << demo.DriveId;
    WindowFields(demo, 8, 2);
    ASSERT_EQ(cdrip3::CR_SetCDROMParameters(&demo), CDRIP_OK);
    UseDisc("mixed");
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&mixed), CDRIP_OK);
    WindowFields(mixed, 4, 5);
    mixed.ChunkSectors = 13;
    mixed.JitterCorrection = 0;
    ASSERT_EQ(cdrip3::CR_SetCDROMParameters(&mixed), CDRIP_OK);
    WriteIni("[Someone else]\nKey=kept\n");
    ASSERT_EQ(cdrip3::CR_SaveSettings(), CDRIP_OK);

    CdAccessEnd();
    CdAccessStart();
    ASSERT_TRUE(CDRipReady());
    EXPECT_EQ(cdrip3::CR_GetActiveCDROM(), DriveIndexOf("mixed")) << "the active drive is saved too";
    TCDRomParams read{};
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&read), CDRIP_OK);
    EXPECT_EQ(std::memcmp(&read, &mixed, sizeof read), 0);
    UseDisc("demo");
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&read), CDRIP_OK);
    EXPECT_EQ(std::memcmp(&read, &demo, sizeof read), 0);

    // The linked variant reads the same file, through its 340 bytes.
    ASSERT_EQ(CR_Init(), CDRIP_OK);
    UseDisc("demo");
    std::memset(&read, 0xEE, sizeof read);
    ASSERT_EQ(CR_GetCDROMParameters(&read), CDRIP_OK);
    EXPECT_EQ(std::memcmp(&read, &demo, kLinkedParamsSize), 0);
    EXPECT_EQ(read.UseParanoiaMode, int32_t(0xEEEEEEEE)) << "past 340 bytes is the caller's";

    std::stringstream text;
    text << std::ifstream(IniPath()).rdbuf();
    EXPECT_NE(text.str().find("[Someone else]\nKey=kept\n"), std::string::npos) << text.str();
}

TEST_F(SettingsTest, OutOfRangeParametersAreRefusedWhole)
{
    UseDisc("demo");
    TCDRomParams before{};
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&before), CDRIP_OK);
    for (int spoil = 0; spoil < 5; ++spoil) {
        TCDRomParams bad = before;
        bad.Speed = 12;
        bad.ChunkSectors = spoil == 0 ? 0 : spoil == 1 ? kMaxChunkSectors + 1 : bad.ChunkSectors;
        bad.OutputFormat = spoil == 2 ? 6 : bad.OutputFormat;
        bad.ReadRetries = spoil == 3 ? -1 : bad.ReadRetries;
        bad.ParanoiaMode = spoil == 4 ? 0x100 : bad.ParanoiaMode; // past the linked variant's 340 bytes
        EXPECT_EQ(cdrip3::CR_SetCDROMParameters(&bad), CDRIP_ERROR) << spoil;
        EXPECT_EQ(CR_SetCDROMParameters(&bad), spoil == 4 ? CDRIP_OK : CDRIP_ERROR) << spoil;
    }
    TCDRomParams after{};
    std::strcpy(before.DriveId, "someone else"); // the identification text is the drive's
    ASSERT_EQ(cdrip3::CR_SetCDROMParameters(&before), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&after), CDRIP_OK);
    EXPECT_EQ(std::memcmp(&after.ChunkSectors, &before.ChunkSectors, sizeof after - 256), 0);
    EXPECT_STREQ(after.DriveId, cdrip3::CR_GetCDROMIDByIndex(DriveIndexOf("demo")));
    EXPECT_EQ(cdrip3::CR_SetCDROMParameters(nullptr), CDRIP_ERROR);
}

TEST_F(SettingsTest, ADamagedSectionLeavesTheDriveAtItsDefaults)
{
    WriteIni(std::string("[Drive ") + cdrip3::CR_GetCDROMIDByIndex(DriveIndexOf("demo")) +
             "]\nSpeed=24\nChunkSectors=0\nOutputFormat=banana\n");
    CdAccessEnd();
    CdAccessStart();
    UseDisc("demo");
    TCDRomParams params{};
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&params), CDRIP_OK);
    EXPECT_EQ(params.ChunkSectors, kDefaultChunkSectors);
    EXPECT_EQ(params.Speed, 0);
}

} // namespace
} // namespace cdriptest
