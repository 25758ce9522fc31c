// The parameter record: what callers may set, and its round trip through "CDRipper.ini".

#include "cdrip_fixture.h"

#include "cdrip_linked.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace cdriptest {
namespace {

class SettingsTest : public CdRipFixture {
protected:
    std::string IniPath() const { return config_.Path() + "/Quavrel/CDRipper.ini"; }

    static void SetWord(TCDRomParams &params, size_t offset, int32_t value)
    {
        std::memcpy(reinterpret_cast<char *>(&params) + offset, &value, sizeof value);
    }

    // What the main window writes before it saves the settings.
    static void WindowFields(TCDRomParams &params, int32_t speed, uint8_t format)
    {
        SetWord(params, 256, 26);
        SetWord(params, 260, 7);
        SetWord(params, 264, 1);
        SetWord(params, 276, speed);
        SetWord(params, 284, -1);
        SetWord(params, 327, format);
        for (size_t offset : {328, 336, 340, 344, 348})
            SetWord(params, offset, 0);
        SetWord(params, 332, 30);
        SetWord(params, 352, 1);
        SetWord(params, 356, 223);
        params.DriveTable[kDriveTableType] = 14;
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
    {
        std::filesystem::create_directories(config_.Path() + "/Quavrel");
        std::ofstream(IniPath()) << "[Someone else]\nKey=kept\n";
    }
    ASSERT_EQ(cdrip3::CR_SaveSettings(), CDRIP_OK);
    ASSERT_TRUE(std::filesystem::exists(IniPath()));

    CdAccessEnd();
    CdAccessStart();
    ASSERT_TRUE(CDRipReady());
    EXPECT_EQ(cdrip3::CR_GetActiveCDROM(), DriveIndexOf("mixed")) << "the active drive is saved too";
    TCDRomParams read{};
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&read), CDRIP_OK);
    EXPECT_EQ(std::memcmp(&read, &mixed, sizeof read), 0);
    ASSERT_EQ(cdrip3::CR_SetActiveCDROM(DriveIndexOf("demo")), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&read), CDRIP_OK);
    EXPECT_EQ(std::memcmp(&read, &demo, sizeof read), 0);

    // The linked variant reads the same file, through its 340 bytes.
    ASSERT_EQ(CR_Init(), CDRIP_OK);
    ASSERT_EQ(CR_SetActiveCDROM(DriveIndexOf("demo")), CDRIP_OK);
    TCDRomParams linked{};
    ASSERT_EQ(CR_GetCDROMParameters(&linked), CDRIP_OK);
    EXPECT_EQ(std::memcmp(&linked, &demo, kLinkedParamsSize), 0);

    std::stringstream text;
    text << std::ifstream(IniPath()).rdbuf();
    EXPECT_NE(text.str().find("[Someone else]\nKey=kept\n"), std::string::npos) << text.str();
}

TEST_F(SettingsTest, OutOfRangeParametersAreRefusedWhole)
{
    UseDisc("demo");
    TCDRomParams before{};
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&before), CDRIP_OK);
    using Spoil = void (*)(TCDRomParams &);
    const std::pair<Spoil, bool> spoils[] = {
        {[](TCDRomParams &p) { p.ChunkSectors = 0; }, true},
        {[](TCDRomParams &p) { p.ChunkSectors = kMaxChunkSectors + 1; }, true},
        {[](TCDRomParams &p) { p.OutputFormat = 6; }, true},
        {[](TCDRomParams &p) { p.ReadRetries = -1; }, true},
        {[](TCDRomParams &p) { p.ParanoiaMode = 0x100; }, false}, // past the linked variant's 340 bytes
    };
    for (const auto &[spoil, linkedSeesIt] : spoils) {
        TCDRomParams bad = before;
        bad.Speed = 12;
        spoil(bad);
        EXPECT_EQ(cdrip3::CR_SetCDROMParameters(&bad), CDRIP_ERROR);
        if (linkedSeesIt) {
            EXPECT_EQ(CR_SetCDROMParameters(&bad), CDRIP_ERROR);
        }
    }
    TCDRomParams after{};
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&after), CDRIP_OK);
    EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0);
    EXPECT_EQ(cdrip3::CR_GetCDROMParameters(nullptr), CDRIP_ERROR);
    EXPECT_EQ(cdrip3::CR_SetCDROMParameters(nullptr), CDRIP_ERROR);

    // The identification text belongs to the drive.
    TCDRomParams renamed = before;
    std::strcpy(renamed.DriveId, "someone else");
    ASSERT_EQ(cdrip3::CR_SetCDROMParameters(&renamed), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&after), CDRIP_OK);
    EXPECT_STREQ(after.DriveId, before.DriveId);
}

TEST_F(SettingsTest, ADamagedSectionLeavesTheDriveAtItsDefaults)
{
    const std::string section = std::string("[Drive ") + cdrip3::CR_GetCDROMIDByIndex(DriveIndexOf("demo")) + "]";
    std::filesystem::create_directories(config_.Path() + "/Quavrel");
    std::ofstream(IniPath()) << section << "\nSpeed=24\nChunkSectors=0\nOutputFormat=banana\n";
    CdAccessEnd();
    CdAccessStart();
    UseDisc("demo");
    TCDRomParams params{};
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&params), CDRIP_OK);
    EXPECT_EQ(params.ChunkSectors, kDefaultChunkSectors);
    EXPECT_EQ(params.Speed, 0);
    EXPECT_EQ(params.JitterCorrection, -1);
}

} // namespace
} // namespace cdriptest
