// The parameter record: what callers may set, and its round trip through "CDRipper.ini".

#include "cdrip_linked.h"
#include "cdrip_test_support.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

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

    std::string IniText() const
    {
        std::stringstream text;
        text << std::ifstream(IniPath()).rdbuf();
        return text.str();
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

    EXPECT_NE(IniText().find("[Someone else]\nKey=kept\n"), std::string::npos) << IniText();
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

TEST_F(SettingsTest, AnUnusableValueIsSkippedAloneAndItsTextKeptUntilTheFieldIsSet)
{
    const std::string section =
        std::string("[Drive ") + cdrip3::CR_GetCDROMIDByIndex(DriveIndexOf("demo")) + "]";
    WriteIni(section + "\nChunkSectors=52\nOutputFormat=9\nSpeed=8\nReadRetries=50\nParanoiaMode=banana\n"
                       "Option324=16777216\n");
    CdAccessEnd();
    CdAccessStart();
    UseDisc("demo");
    TCDRomParams params{};
    ASSERT_EQ(cdrip3::CR_GetCDROMParameters(&params), CDRIP_OK);
    EXPECT_EQ(params.ChunkSectors, 52);
    EXPECT_EQ(params.Speed, 8);
    EXPECT_EQ(params.ReadRetries, 50);
    EXPECT_EQ(params.OutputFormat, 0) << "out of range: the default stays";
    EXPECT_EQ(params.ParanoiaMode, 0);

    params.ReadRetries = 30;
    ASSERT_EQ(cdrip3::CR_SetCDROMParameters(&params), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_SaveSettings(), CDRIP_OK);
    std::string text = IniText();
    for (const char *line : {"ChunkSectors=52\n", "OutputFormat=9\n", "Speed=8\n", "ReadRetries=30\n",
                             "ParanoiaMode=banana\n", "Option324=16777216\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;

    params.OutputFormat = 2;
    ASSERT_EQ(cdrip3::CR_SetCDROMParameters(&params), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_SaveSettings(), CDRIP_OK);
    text = IniText();
    EXPECT_NE(text.find("OutputFormat=2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("ParanoiaMode=banana\n"), std::string::npos) << text;
}

TEST_F(SettingsTest, SavingKeepsTheFilesModeAndEveryLineItDoesNotOwnInPlace)
{
    const std::string demo = cdrip3::CR_GetCDROMIDByIndex(DriveIndexOf("demo"));
    const std::string before = "; hand-tuned, do not lose\n"
                               "[Drive " +
                               demo +
                               "]\n"
                               "  Speed = 4  \n"
                               "# the drive skips above 8x\n"
                               "Future=yes\n"
                               "\n"
                               "[Someone else]\n"
                               "Key=kept\n"
                               "not an entry at all\n";
    WriteIni(before);
    chmod(IniPath().c_str(), 0444);
    CdAccessEnd();
    CdAccessStart();
    UseDisc("demo");
    ASSERT_EQ(cdrip3::CR_SaveSettings(), CDRIP_OK);

    struct stat info {};
    ASSERT_EQ(stat(IniPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
    // The unchanged value keeps its spacing; the record's other keys follow the section's last key.
    const std::string text = IniText();
    const std::string kept = "; hand-tuned, do not lose\n[Drive " + demo +
                             "]\n  Speed = 4  \n# the drive skips above 8x\nFuture=yes\nChunkSectors=";
    EXPECT_EQ(text.rfind(kept, 0), 0u) << text;
    EXPECT_NE(text.find("\n\n[Someone else]\nKey=kept\nnot an entry at all\n"), std::string::npos) << text;
    EXPECT_GT(text.find("\nSpeed="), text.find("[Someone else]")) << "the demo drive's Speed is written once";
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsNeverReplaced)
{
    WriteIni("[Drive elsewhere]\nSpeed=4\n");
    chmod(IniPath().c_str(), 0);
    const bool readable = std::ifstream(IniPath()).is_open(); // root reads whatever the mode
    if (readable) {
        std::filesystem::remove(IniPath());
        std::filesystem::create_symlink("CDRipper.ini", IniPath()); // a loop: no one can open it
    }
    errno = 0;
    EXPECT_EQ(cdrip3::CR_SaveSettings(), CDRIP_ERROR);
    EXPECT_EQ(errno, readable ? ELOOP : EACCES);
    EXPECT_EQ(CR_SaveSettings(), CDRIP_ERROR);
    if (readable) {
        EXPECT_TRUE(std::filesystem::is_symlink(IniPath()));
    } else {
        chmod(IniPath().c_str(), 0600);
        EXPECT_EQ(IniText(), "[Drive elsewhere]\nSpeed=4\n");
    }
    const auto entries = std::filesystem::directory_iterator(configHome_ + "/Quavrel");
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 1) << "no temporary file is left";
}

TEST_F(SettingsTest, OnlyARegularFileOfAtMostFourMebibytesIsRead)
{
    // A FIFO without a writer, /dev/zero through a link, a file one byte over the limit: each is
    // refused at once, never read to its end, and left as it is.
    std::filesystem::create_directories(configHome_ + "/Quavrel");
    const std::string big = "[Drive elsewhere]\nSpeed=4\n;" + std::string(4 * 1024 * 1024, 'x');
    const struct {
        const char *what;
        int error;
    } cases[] = {{"fifo", EINVAL}, {"zero", EINVAL}, {"big", EFBIG}};
    for (const auto &c : cases) {
        std::filesystem::remove(IniPath());
        if (c.error == EFBIG)
            WriteIni(big);
        else if (std::string(c.what) == "fifo")
            ASSERT_EQ(mkfifo(IniPath().c_str(), 0600), 0);
        else
            std::filesystem::create_symlink("/dev/zero", IniPath());
        errno = 0;
        EXPECT_EQ(cdrip3::CR_LoadSettings(), CDRIP_ERROR) << c.what;
        EXPECT_EQ(errno, c.error) << c.what;
        errno = 0;
        EXPECT_EQ(cdrip3::CR_SaveSettings(), CDRIP_ERROR) << c.what;
        EXPECT_EQ(errno, c.error) << c.what;
    }
    EXPECT_EQ(std::filesystem::file_size(IniPath()), big.size());
    std::filesystem::remove(IniPath());
    ASSERT_EQ(mkfifo(IniPath().c_str(), 0600), 0);
    EXPECT_EQ(CR_SaveSettings(), CDRIP_ERROR);
    EXPECT_TRUE(std::filesystem::is_fifo(IniPath()));
}

} // namespace
} // namespace cdriptest
